// The Linux heap service. A block is a run of whole pages, so it is page-aligned and never
// shares a page with another block. Runs up to max_run_pages come from arenas of
// arena_pages pages: first one in the program image (zero-filled by the loader, no system
// call at all), then anonymous mappings of the same size. Free runs are kept in free lists
// by length and merged with free neighbours, and every free page reads zero: a run is
// cleared when released, but only as far as its owner asked for, since nothing else in it
// was ever handed out. Larger blocks are a mapping of their own. A mapped arena goes back to
// the system once it is wholly free (one such arena is kept in reserve, so that a program
// that takes and returns one block at an arena's edge does not map and unmap each time).
#include "core/platform.h"
#include "core/platform_linux.h"

namespace kivo::platform {
namespace {

using namespace linux_sys;

constexpr long prot_read_write = 0x1 | 0x2;
constexpr long map_private_anonymous = 0x02 | 0x20;

constexpr uint64_t unit_bytes = 4096;  // the heap's page; the system's may be larger
constexpr uint64_t arena_pages = 1024;
constexpr uint64_t arena_bytes = arena_pages * unit_bytes;
constexpr uint64_t max_run_pages = 256;  // 1 MiB; larger blocks are mappings of their own

void* map_pages(uint64_t n) {
  long p = linux_sys::mmap(0, static_cast<long>(n), prot_read_write, map_private_anonymous, -1, 0);
  return failed(p) ? nullptr : reinterpret_cast<void*>(p);
}

bool unmap_pages(void* p, uint64_t n) {
  return !failed(syscall3(sys_munmap, reinterpret_cast<long>(p), static_cast<long>(n), 0));
}

// ---- The table of mappings -------------------------------------------------------------
// munmap needs a region's length, and block_free must tell a block base from any other
// pointer. This table keeps both for every mapping the heap made: a large block (size: the
// bytes asked for) or an arena (size 0). Open addressing keyed by the base; the first slots
// live in the program image, a larger table is mapped when needed and given back when the
// last mapping goes.
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
  while (slots[i].base > tombstone) i = (i + 1) & (cap - 1);
  if (slots[i].base == 0) ++regions.used;
  slots[i] = r;
}

void release_table() {
  if (regions.slots != first_slots) unmap_pages(regions.slots, regions.cap * sizeof(region));
}

// Moves the live regions into a mapped table of cap slots, dropping the tombstones.
bool rebuild(uint64_t cap) {
  auto* slots = static_cast<region*>(map_pages(cap * sizeof(region)));
  if (slots == nullptr) return false;
  const region_table old = regions;
  regions.used = 0;
  for (uint64_t i = 0; i < old.cap; ++i) {
    if (old.slots[i].base > tombstone) place(slots, cap, old.slots[i]);
  }
  release_table();
  regions.slots = slots;
  regions.cap = cap;
  return true;
}

bool record(uintptr_t base, uint64_t size) {
  if ((regions.used + 1) * 2 > regions.cap) {
    uint64_t cap = inline_slots;
    while (cap < (regions.live + 1) * 4) cap *= 2;
    if (!rebuild(cap)) return false;
  }
  place(regions.slots, regions.cap, region{base, size});
  ++regions.live;
  return true;
}

region* find(uintptr_t base) {
  if (base <= tombstone) return nullptr;
  for (uint64_t i = slot_of(base, regions.cap);; i = (i + 1) & (regions.cap - 1)) {
    region& slot = regions.slots[i];
    if (slot.base == 0) return nullptr;
    if (slot.base == base) return &slot;
  }
}

void erase(region* slot) {
  slot->base = tombstone;
  if (--regions.live == 0) {
    // Nothing is live: start over in the image's slots, without tombstones.
    release_table();
    for (region& r : first_slots) r = region{};
    regions = region_table{first_slots, inline_slots, 0, 0};
  }
}

// ---- Arenas of page runs ---------------------------------------------------------------
// One entry per page. The first page of a run holds its length; a block's first page also
// holds the bytes asked for (never 0), a free run's first and last pages hold its length
// with 0 bytes, and its first page links it into its free list. Every other entry is all
// zero, so no page inside a run can pass for a block base or for the end of a free run.
struct page_entry {
  uint32_t pages;
  uint32_t bytes;
  page_entry* next;
  page_entry* prev;
};

struct arena {
  unsigned char* pages;  // the first page of the runs
  uint64_t count;        // pages in runs
  uint64_t used;         // pages in blocks
  page_entry entry[arena_pages];
};

// A mapped arena starts with its own entries; the runs follow.
constexpr uint64_t header_pages = (sizeof(arena) + unit_bytes - 1) / unit_bytes;

alignas(unit_bytes) unsigned char image_pages[arena_bytes];
arena image_arena;

// Free runs of 1 to max_run_pages pages each have a list of their exact length, longer
// ones share the last; a bit per list says whether it holds a run.
constexpr uint64_t list_count = max_run_pages + 2;
constexpr uint64_t mask_words = (list_count + 63) / 64;

struct free_lists {
  page_entry* first[list_count];
  uint64_t nonempty[mask_words];
  uint64_t spare_arenas;  // mapped arenas wholly free
  bool ready;
};

free_lists lists;

uint64_t list_of(uint64_t pages) { return pages <= max_run_pages ? pages : max_run_pages + 1; }

void link(page_entry* e) {
  const uint64_t l = list_of(e->pages);
  e->prev = nullptr;
  e->next = lists.first[l];
  if (e->next != nullptr) e->next->prev = e;
  lists.first[l] = e;
  lists.nonempty[l / 64] |= uint64_t{1} << (l % 64);
}

void unlink(page_entry* e) {
  const uint64_t l = list_of(e->pages);
  if (e->prev != nullptr) {
    e->prev->next = e->next;
  } else {
    lists.first[l] = e->next;
    if (e->next == nullptr) lists.nonempty[l / 64] &= ~(uint64_t{1} << (l % 64));
  }
  if (e->next != nullptr) e->next->prev = e->prev;
  e->next = e->prev = nullptr;
}

// The shortest free run of at least pages pages, or null.
page_entry* shortest_run(uint64_t pages) {
  uint64_t w = pages / 64;
  uint64_t bits = lists.nonempty[w] & (~uint64_t{0} << (pages % 64));
  while (bits == 0) {
    if (++w == mask_words) return nullptr;
    bits = lists.nonempty[w];
  }
  return lists.first[w * 64 + static_cast<uint64_t>(__builtin_ctzll(bits))];
}

// Addresses are compared as numbers: the pointers may belong to different objects.
bool within(const void* p, const void* start, uint64_t bytes) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  const auto from = reinterpret_cast<uintptr_t>(start);
  return at >= from && at - from < bytes;
}

arena* arena_of(page_entry* e) {
  if (within(e, image_arena.entry, sizeof image_arena.entry)) return &image_arena;
  return reinterpret_cast<arena*>(reinterpret_cast<uintptr_t>(e) & ~(arena_bytes - 1));
}

bool is_mapped(const arena* a) { return a != &image_arena; }

// Marks pages [first, first + n) of a as one free run and lists it. The end of a run is read
// only by the run that follows; a run that ends the arena has none, so its end is not written
// and the arena's last entry never holds one: a program whose blocks all fit low in the
// arena touches no entry pages at the top.
void make_free(arena* a, uint64_t first, uint64_t n) {
  page_entry* head = &a->entry[first];
  head->pages = static_cast<uint32_t>(n);
  head->bytes = 0;
  if (first + n < a->count) {
    a->entry[first + n - 1].pages = static_cast<uint32_t>(n);
    a->entry[first + n - 1].bytes = 0;
  }
  link(head);
}

void start_arena(arena* a, unsigned char* pages, uint64_t count) {
  a->pages = pages;
  a->count = count;
  a->used = 0;
  make_free(a, 0, count);
}

// Maps an arena aligned to its size, so that any page inside it finds the arena's entries
// by masking the address. The mapping is taken twice as large and trimmed; a trim that
// fails leaves unused address space mapped and is harmless.
bool add_arena() {
  auto* raw = static_cast<unsigned char*>(map_pages(2 * arena_bytes));
  if (raw == nullptr) return false;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t base = (start + arena_bytes - 1) & ~(arena_bytes - 1);
  if (base != start) unmap_pages(raw, base - start);
  if (base + arena_bytes != start + 2 * arena_bytes) {
    unmap_pages(reinterpret_cast<void*>(base + arena_bytes), start + arena_bytes - base);
  }
  if (!record(base, 0)) {
    unmap_pages(reinterpret_cast<void*>(base), arena_bytes);
    return false;
  }
  auto* a = reinterpret_cast<arena*>(base);
  start_arena(a, reinterpret_cast<unsigned char*>(base + header_pages * unit_bytes),
              arena_pages - header_pages);
  ++lists.spare_arenas;
  return true;
}

// Clears the first n bytes of a page-aligned run in whole 64-byte steps, 16 bytes a store:
// the run is whole pages, so rounding up stays inside it.
void clear(unsigned char* p, uint64_t n) {
  using lane = uint64_t __attribute__((vector_size(16), may_alias));
  auto* v = reinterpret_cast<lane*>(p);
  const uint64_t lanes = (n + 63) / 64 * 4;
  for (uint64_t i = 0; i < lanes; i += 4) {
    v[i] = lane{};
    v[i + 1] = lane{};
    v[i + 2] = lane{};
    v[i + 3] = lane{};
  }
}

void* run_alloc(uint64_t n) {
  if (!lists.ready) {
    start_arena(&image_arena, image_pages, arena_pages);
    lists.ready = true;
  }
  const uint64_t want = (n + unit_bytes - 1) / unit_bytes;
  page_entry* run = shortest_run(want);
  if (run == nullptr) {
    if (!add_arena()) return nullptr;
    run = shortest_run(want);
  }
  unlink(run);
  arena* a = arena_of(run);
  const auto first = static_cast<uint64_t>(run - a->entry);
  const uint64_t have = run->pages;
  if (have > want) {
    make_free(a, first + want, have - want);
  } else if (want > 1 && first + want < a->count) {
    a->entry[first + want - 1] = page_entry{};  // no longer the end of a free run
  }
  run->pages = static_cast<uint32_t>(want);
  run->bytes = static_cast<uint32_t>(n);
  if (a->used == 0 && is_mapped(a)) --lists.spare_arenas;
  a->used += want;
  return a->pages + first * unit_bytes;
}

// Gives back an arena that has become wholly free, unless it is the only one in reserve.
// If munmap fails the arena simply stays, free and listed.
void retire(arena* a) {
  if (++lists.spare_arenas == 1) return;
  page_entry* run = &a->entry[0];
  unlink(run);
  const auto base = reinterpret_cast<uintptr_t>(a);
  if (unmap_pages(a, arena_bytes)) {
    erase(find(base));
    --lists.spare_arenas;
  } else {
    link(run);
  }
}

void run_free(arena* a, unsigned char* p) {
  const bool page_start = (reinterpret_cast<uintptr_t>(p) & (unit_bytes - 1)) == 0;
  if (!page_start || !within(p, a->pages, a->count * unit_bytes)) return;
  const uint64_t index = static_cast<uint64_t>(p - a->pages) / unit_bytes;
  page_entry* e = &a->entry[index];
  if (e->bytes == 0) return;  // inside a run, or a free run: not a live block
  clear(p, e->bytes);
  uint64_t first = index;
  uint64_t n = e->pages;
  const uint64_t end = index + n;
  a->used -= n;
  *e = page_entry{};
  if (index > 0) {
    page_entry* left_end = &a->entry[index - 1];
    if (left_end->pages != 0 && left_end->bytes == 0) {
      const uint64_t left = left_end->pages;
      first -= left;
      n += left;
      unlink(&a->entry[first]);
      a->entry[first] = page_entry{};
      *left_end = page_entry{};
    }
  }
  if (end < a->count) {
    page_entry* right = &a->entry[end];
    if (right->pages != 0 && right->bytes == 0) {
      const uint64_t right_n = right->pages;
      unlink(right);
      *right = page_entry{};
      if (end + right_n < a->count) a->entry[end + right_n - 1] = page_entry{};
      n += right_n;
    }
  }
  make_free(a, first, n);
  if (a->used == 0 && is_mapped(a)) retire(a);
}

}  // namespace

void* block_alloc(uint64_t n) {
  if (n == 0) return nullptr;
  if (n <= max_run_pages * unit_bytes) return run_alloc(n);
  void* p = map_pages(n);
  if (p == nullptr) return nullptr;
  if (!record(reinterpret_cast<uintptr_t>(p), n)) {
    unmap_pages(p, n);
    return nullptr;
  }
  return p;
}

void block_free(void* p) {
  auto* bytes = static_cast<unsigned char*>(p);
  if (within(bytes, image_pages, arena_bytes)) {
    run_free(&image_arena, bytes);
    return;
  }
  const auto base = reinterpret_cast<uintptr_t>(p);
  if (region* r = find(base & ~(arena_bytes - 1)); r != nullptr && r->size == 0) {
    run_free(reinterpret_cast<arena*>(r->base), bytes);
    return;
  }
  // A large block leaves the table only once it is unmapped: if munmap fails it stays
  // recorded, still a block, and a later release can try again.
  if (region* r = find(base); r != nullptr && r->size != 0 && unmap_pages(p, r->size)) erase(r);
}

}  // namespace kivo::platform
