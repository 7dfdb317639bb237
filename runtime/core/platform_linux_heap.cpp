// The Linux heap service: anonymous private mappings, one per block.
#include "core/arch_x86_64.h"
#include "core/platform.h"

namespace kivo::platform {
namespace {

using namespace linux_x86_64;

constexpr long prot_read_write = 0x1 | 0x2;
constexpr long map_private_anonymous = 0x02 | 0x20;

void* map_pages(uint64_t n) {
  long p = syscall6(sys_mmap, 0, static_cast<long>(n), prot_read_write, map_private_anonymous, -1, 0);
  return failed(p) ? nullptr : reinterpret_cast<void*>(p);
}

void unmap_pages(void* p, uint64_t n) {
  syscall3(sys_munmap, reinterpret_cast<long>(p), static_cast<long>(n), 0);
}

// munmap needs a region's length, which Windows keeps for the caller of VirtualFree. This
// table keeps it here: open addressing keyed by the region's base. The first slots live in
// the program image, so a program with few live blocks maps nothing for the table; a larger
// table is mapped when needed and given back when the last region goes. A pointer that is
// not in the table (null, or the inside of a region) is thereby a safe no-op for block_free.
struct region {
  uintptr_t base;  // 0: empty slot; tombstone: removed
  uint64_t size;
};

constexpr uintptr_t tombstone = 1;
constexpr uint64_t inline_slots = 256;

struct region_table {
  region* slots;
  uint64_t cap;   // a power of two
  uint64_t live;  // regions recorded
  uint64_t used;  // slots not empty: live regions and tombstones
};

region first_slots[inline_slots];
region_table regions{first_slots, inline_slots, 0, 0};

uint64_t slot_of(uintptr_t base, uint64_t cap) {
  uint64_t x = base >> 12;
  x ^= x >> 17;
  x *= 0x9E3779B97F4A7C15u;
  x ^= x >> 29;
  return x & (cap - 1);
}

void place(region* slots, uint64_t cap, region r) {
  uint64_t i = slot_of(r.base, cap);
  while (slots[i].base != 0) i = (i + 1) & (cap - 1);
  slots[i] = r;
}

void release_table() {
  if (regions.slots != first_slots) unmap_pages(regions.slots, regions.cap * sizeof(region));
}

// Moves the live regions into a mapped table of cap slots, dropping the tombstones.
bool rebuild(uint64_t cap) {
  auto* slots = static_cast<region*>(map_pages(cap * sizeof(region)));
  if (slots == nullptr) return false;
  for (uint64_t i = 0; i < regions.cap; ++i) {
    if (regions.slots[i].base > tombstone) place(slots, cap, regions.slots[i]);
  }
  release_table();
  regions = region_table{slots, cap, regions.live, regions.live};
  return true;
}

bool record(void* p, uint64_t size) {
  if ((regions.used + 1) * 2 > regions.cap) {
    uint64_t cap = inline_slots;
    while (cap < (regions.live + 1) * 4) cap *= 2;
    if (!rebuild(cap)) return false;
  }
  place(regions.slots, regions.cap, region{reinterpret_cast<uintptr_t>(p), size});
  ++regions.live;
  ++regions.used;
  return true;
}

// Removes p from the table and returns its size, or 0 when p is no recorded base.
uint64_t forget(void* p) {
  const auto base = reinterpret_cast<uintptr_t>(p);
  if (base <= tombstone) return 0;
  for (uint64_t i = slot_of(base, regions.cap);; i = (i + 1) & (regions.cap - 1)) {
    region& slot = regions.slots[i];
    if (slot.base == 0) return 0;
    if (slot.base != base) continue;
    const uint64_t size = slot.size;
    slot.base = tombstone;
    if (--regions.live == 0) {
      // Nothing is live: start over in the image's slots, without tombstones.
      release_table();
      for (region& r : first_slots) r = region{};
      regions = region_table{first_slots, inline_slots, 0, 0};
    }
    return size;
  }
}

}  // namespace

void* block_alloc(uint64_t n) {
  if (n == 0) return nullptr;
  void* p = map_pages(n);
  if (p == nullptr) return nullptr;
  if (!record(p, n)) {
    unmap_pages(p, n);
    return nullptr;
  }
  return p;
}

void block_free(void* p) {
  if (const uint64_t size = forget(p)) unmap_pages(p, size);
}

}  // namespace kivo::platform
