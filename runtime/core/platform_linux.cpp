// Linux x86-64 platform layer: raw system calls, no C library.
#include "convert/float_format.h"
#include "core/platform.h"

namespace kivo::platform {
namespace {

constexpr long sys_write = 1;
constexpr long sys_mmap = 9;
constexpr long sys_munmap = 11;
constexpr long sys_clock_gettime = 228;
constexpr long sys_exit_group = 231;

constexpr long err_intr = 4;
constexpr long prot_read_write = 0x1 | 0x2;
constexpr long map_private_anonymous = 0x02 | 0x20;
constexpr long clock_realtime = 0;

long syscall6(long n, long a, long b, long c, long d, long e, long f) {
  register long r10 asm("r10") = d;
  register long r8 asm("r8") = e;
  register long r9 asm("r9") = f;
  long ret;
  asm volatile("syscall"
               : "=a"(ret)
               : "a"(n), "D"(a), "S"(b), "d"(c), "r"(r10), "r"(r8), "r"(r9)
               : "rcx", "r11", "memory");
  return ret;
}

long syscall3(long n, long a, long b, long c) { return syscall6(n, a, b, c, 0, 0, 0); }

// The kernel reports failure as a result between -4095 and -1.
bool failed(long ret) { return static_cast<unsigned long>(ret) > -4096UL; }

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
struct Region {
  uintptr_t base;  // 0: empty slot; tombstone: removed
  uint64_t size;
};

constexpr uintptr_t tombstone = 1;
constexpr uint64_t inline_slots = 256;

struct RegionTable {
  Region* slots;
  uint64_t cap;   // a power of two
  uint64_t live;  // regions recorded
  uint64_t used;  // slots not empty: live regions and tombstones
};

Region first_slots[inline_slots];
RegionTable regions{first_slots, inline_slots, 0, 0};

uint64_t slot_of(uintptr_t base, uint64_t cap) {
  uint64_t x = base >> 12;
  x ^= x >> 17;
  x *= 0x9E3779B97F4A7C15u;
  x ^= x >> 29;
  return x & (cap - 1);
}

void place(Region* slots, uint64_t cap, Region r) {
  uint64_t i = slot_of(r.base, cap);
  while (slots[i].base != 0) i = (i + 1) & (cap - 1);
  slots[i] = r;
}

void release_table() {
  if (regions.slots != first_slots) unmap_pages(regions.slots, regions.cap * sizeof(Region));
}

// Moves the live regions into a mapped table of cap slots, dropping the tombstones.
bool rebuild(uint64_t cap) {
  auto* slots = static_cast<Region*>(map_pages(cap * sizeof(Region)));
  if (slots == nullptr) return false;
  for (uint64_t i = 0; i < regions.cap; ++i) {
    if (regions.slots[i].base > tombstone) place(slots, cap, regions.slots[i]);
  }
  release_table();
  regions = RegionTable{slots, cap, regions.live, regions.live};
  return true;
}

bool record(void* p, uint64_t size) {
  if ((regions.used + 1) * 2 > regions.cap) {
    uint64_t cap = inline_slots;
    while (cap < (regions.live + 1) * 4) cap *= 2;
    if (!rebuild(cap)) return false;
  }
  place(regions.slots, regions.cap, Region{reinterpret_cast<uintptr_t>(p), size});
  ++regions.live;
  ++regions.used;
  return true;
}

// Removes p from the table and returns its size, or 0 when p is no recorded base.
uint64_t forget(void* p) {
  const auto base = reinterpret_cast<uintptr_t>(p);
  if (base <= tombstone) return 0;
  for (uint64_t i = slot_of(base, regions.cap);; i = (i + 1) & (regions.cap - 1)) {
    Region& slot = regions.slots[i];
    if (slot.base == 0) return 0;
    if (slot.base != base) continue;
    const uint64_t size = slot.size;
    slot.base = tombstone;
    if (--regions.live == 0) {
      // Nothing is live: start over in the image's slots, without tombstones.
      release_table();
      for (Region& r : first_slots) r = Region{};
      regions = RegionTable{first_slots, inline_slots, 0, 0};
    }
    return size;
  }
}

}  // namespace

void exit_process(uint32_t code) {
  for (;;) syscall3(sys_exit_group, code, 0, 0);
}

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

int64_t file_time_now() {
  struct {
    long sec;
    long nsec;
  } now{};
  syscall3(sys_clock_gettime, clock_realtime, reinterpret_cast<long>(&now), 0);
  constexpr int64_t unix_epoch_in_file_time = 116444736000000000;
  return now.sec * 10000000 + now.nsec / 100 + unix_epoch_in_file_time;
}

void console_write(const char* p, int64_t n) {
  while (n > 0) {
    const long written = syscall3(sys_write, 1, reinterpret_cast<long>(p), n);
    if (written == -err_intr) continue;
    if (written <= 0) return;  // an error or a closed output: the text is dropped, as specified
    p += written;
    n -= written;
  }
}

int64_t text_len(const char* s) {
  if (s == nullptr) return 0;
  int64_t n = 0;
  while (s[n] != '\0') ++n;
  return n;
}

int64_t float_text(double v, char* buf) { return float_format_fixed6(v, buf); }

}  // namespace kivo::platform
