// The Linux heap service.
//
// Blocks of up to 3 KiB are slots of 44 size classes: 16 bytes apart up to 128, then eight to
// each doubling, so a block wastes at most an eighth of itself, and a slot carries no header.
// A class's slots fill slabs: runs of 1 to 8 pages, as few as waste little at the system's
// page size. Blocks up to 1 MiB are runs of whole pages; larger ones are mappings of their own.
//
// Runs come from 4 MiB arenas aligned to their size, so that any address inside one finds the
// arena's table of page entries by masking. The first arena lies in the program image,
// zero-filled by the loader: a program whose blocks fit there makes no system call for them.
// Free runs are kept in lists by length and merged with free neighbours.
//
// A block is cleared as it is handed out, over the bytes asked for, as calloc does, where the
// new owner is about to write: a slot always, a run when its pages may have been used since
// they came from the system (a free run counts its used pages). Free runs with 64 KiB or more
// of used pages go back to the system with madvise(MADV_DONTNEED), all at once when those
// pages come to 3 MiB and to a quarter of the pages in use: each call, and each page touched
// again after it, costs far more than clearing, so memory that a program keeps reusing stays.
// A mapped arena that has become wholly free is unmapped, but for one kept in reserve while
// blocks are live elsewhere.
#include <stddef.h>

#include "core/platform.h"
#include "core/platform_linux.h"

namespace kivo::platform {
namespace {

using namespace linux_sys;

constexpr long prot_read_write = 0x1 | 0x2;
constexpr long map_private_anonymous = 0x02 | 0x20;
constexpr long madv_dontneed = 4;

constexpr uint64_t arena_bytes = uint64_t{4} << 20;
constexpr uint64_t most_arena_pages = arena_bytes / 4096;  // at the smallest page size
constexpr uint64_t max_run_bytes = uint64_t{1} << 20;      // larger blocks: mappings of their own
constexpr uint64_t give_back_bytes = uint64_t{64} << 10;   // free runs with this much used go back
constexpr uint64_t least_given_back = uint64_t{3} << 20;   // at a time
constexpr uint64_t max_slot_bytes = 3072;
constexpr uint64_t class_count = 44;
constexpr uint64_t max_slab_pages = 8;

// Addresses are compared as numbers: the pointers may belong to different objects.
bool within(uintptr_t at, const void* start, uint64_t bytes) {
  return at - reinterpret_cast<uintptr_t>(start) < bytes;
}

bool unmap(uintptr_t p, uint64_t n) {
  return !failed(syscall3(sys_munmap, static_cast<long>(p), static_cast<long>(n), 0));
}

long map(uint64_t n) {
  return linux_sys::mmap(0, static_cast<long>(n), prot_read_write, map_private_anonymous, -1, 0);
}

// Clears n bytes from p, 16-aligned, rounded up to whole 16-byte stores, four to a step.
[[gnu::always_inline]] inline void* clear(void* p, uint64_t n) {
  using lane = uint64_t __attribute__((vector_size(16), may_alias));
  auto* v = static_cast<lane*>(p);
  lane* const end = v + (n + 15) / 16;
  for (; end - v >= 4; v += 4) v[0] = v[1] = v[2] = v[3] = lane{};
  for (; v != end; ++v) *v = lane{};
  return p;
}

// ---- Records -----------------------------------------------------------------------------

// munmap needs a mapping's length, and block_free must tell a block base from any other
// pointer: a table keeps both for every mapping the heap made, a large block (size: the bytes
// asked for) or an arena (size 0). Open addressing keyed by the base; the first slots lie in
// the program image, a larger table is mapped when needed and given back when the last
// mapping goes. At most half the slots are ever in use, so a search always meets an empty one.
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

// One entry per page. A run's first page holds its length and kind; a free run's last page
// holds its length too, so that the run after it can find its start. Every other page of a
// free run or block has an empty entry, so that no pointer into it passes for a block base.
// Each page of a slab holds its distance from the slab's first page, whose entry describes
// the slab. A free run's first entry also counts, at most, the pages of it used since they
// came from the system: the others read zero and hold no memory.
enum : uint8_t { k_none, k_free, k_free_end, k_block, k_slab };

struct page_entry {
  uint16_t pages;  // run: its length; slab page: its distance from the slab's first
  uint8_t kind;
  uint8_t cls;       // slab: size class
  uint16_t free;     // slab: free slots
  uint16_t hint;     // slab: no bitmap word below this one shows a free slot
  page_entry* next;  // free runs of a length, or slabs of a class with free slots
  page_entry* prev;
  // Slab: a bit set for each free slot, or where its bitmap lies if it has more than 64 slots;
  // free run: used pages.
  uint64_t bits;
};

// A mapped arena starts with this record, the bitmaps after its entries; the runs follow.
struct arena {
  unsigned char* pages;  // the first page of the runs
  uint64_t count;        // pages in runs
  uint64_t used;         // pages in blocks and slabs
  uintptr_t map_start;   // a mapped arena's mapping, to be given back whole
  uint64_t map_bytes;
  uint64_t* bits;  // the free-slot bitmaps of larger slabs, page_size() / 1024 words a page
  page_entry entry[most_arena_pages];
};

struct size_class {
  uint32_t magic;  // 2^32 / bytes, rounded up: divides a slab offset by multiplying
  uint16_t bytes;
  uint16_t slots;  // per slab; 0 until the class is first used
  uint64_t pages;  // per slab
};

// Free runs of 1 to max_run_pages pages each have a list of their exact length, longer
// ones share the last; a bit per list says whether it holds a run.
constexpr uint64_t list_count = max_run_bytes / 4096 + 2;
constexpr uint64_t mask_words = (list_count + 63) / 64;

struct heap_state {
  uint64_t page;
  uint64_t shift;                  // page == 1 << shift
  uint64_t blocks;                 // live blocks in arenas
  page_entry* slabs[class_count];  // per class, its slabs with free slots
  size_class classes[class_count];
  uint64_t arena_pages;
  uint64_t header_pages;
  uint64_t max_run_pages;
  arena* spare;    // a mapped arena wholly free, kept in reserve
  uint64_t used;   // pages in blocks and slabs
  uint64_t loose;  // used pages in free runs that go back
  bool ready;
  page_entry* runs[list_count];
  uint64_t nonempty[mask_words];
  region_table regions;
  region first_slots[inline_slots];
  uint64_t image_bits[arena_bytes / 1024];
  arena image;
  alignas(4096) unsigned char pool[arena_bytes];  // the pages of the image's arena
};

heap_state heap;

// ---- The table of mappings -------------------------------------------------------------

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
  if (slots[i].base == 0) ++heap.regions.used;
  slots[i] = r;
}

// Makes room for one more region, moving the live ones into a mapped table if the slots in
// use would pass half. Done before the mapping to be recorded is made, so that a table that
// cannot grow leaves nothing mapped and unrecorded.
bool reserve_region() {
  region_table& t = heap.regions;
  if ((t.used + 1) * 2 <= t.cap) return true;
  uint64_t cap = inline_slots;
  while (cap < (t.live + 1) * 4) cap *= 2;
  const long at = map(cap * sizeof(region));
  if (failed(at)) return false;
  auto* slots = reinterpret_cast<region*>(at);
  const region_table old = t;
  t.used = 0;
  for (uint64_t i = 0; i < old.cap; ++i) {
    if (old.slots[i].base > tombstone) place(slots, cap, old.slots[i]);
  }
  if (old.slots != heap.first_slots) {
    unmap(reinterpret_cast<uintptr_t>(old.slots), old.cap * sizeof(region));
  }
  t.slots = slots;
  t.cap = cap;
  return true;
}

[[gnu::always_inline]] inline void record(uintptr_t base, uint64_t size) {
  place(heap.regions.slots, heap.regions.cap, region{base, size});
  ++heap.regions.live;
}

region* find(uintptr_t base) {
  const region_table& t = heap.regions;
  if (t.live == 0 || base <= tombstone) return nullptr;
  for (uint64_t i = slot_of(base, t.cap);; i = (i + 1) & (t.cap - 1)) {
    region& slot = t.slots[i];
    if (slot.base == 0) return nullptr;
    if (slot.base == base) return &slot;
  }
}

// Once nothing is recorded, the table starts over in the image's slots, cleared of every
// entry and tombstone (also those left there when a larger table took over).
void erase(region* slot) {
  region_table& t = heap.regions;
  slot->base = tombstone;
  if (--t.live != 0) return;
  if (t.slots != heap.first_slots) {
    unmap(reinterpret_cast<uintptr_t>(t.slots), t.cap * sizeof(region));
  }
  for (region& r : heap.first_slots) r = region{};
  t = region_table{heap.first_slots, inline_slots, 0, 0};
}

// ---- Arenas of page runs ---------------------------------------------------------------

unsigned char* page_of(arena* a, const page_entry* e) {
  return a->pages + (static_cast<uint64_t>(e - a->entry) << heap.shift);
}

arena* arena_of(const page_entry* e) {
  if (within(reinterpret_cast<uintptr_t>(e), heap.image.entry, sizeof heap.image.entry)) {
    return &heap.image;
  }
  return reinterpret_cast<arena*>(reinterpret_cast<uintptr_t>(e) & ~(arena_bytes - 1));
}

void push(page_entry** list, page_entry* e) {
  e->prev = nullptr;
  e->next = *list;
  if (e->next != nullptr) e->next->prev = e;
  *list = e;
}

void pull(page_entry** list, page_entry* e) {
  if (e->prev != nullptr) {
    e->prev->next = e->next;
  } else {
    *list = e->next;
  }
  if (e->next != nullptr) e->next->prev = e->prev;
}

uint64_t list_of(uint64_t pages) {
  return pages <= heap.max_run_pages ? pages : heap.max_run_pages + 1;
}

// The used pages of free run e if it goes back: when it is 64 KiB long and has used as much.
// A long run with fewer, which keeps little memory, is not worth a system call.
uint64_t loose_in(const page_entry* e) {
  return e->bits << heap.shift >= give_back_bytes ? e->bits : 0;
}

void link(page_entry* e) {
  const uint64_t l = list_of(e->pages);
  push(&heap.runs[l], e);
  heap.nonempty[l / 64] |= uint64_t{1} << (l % 64);
  heap.loose += loose_in(e);
}

void unlink(page_entry* e) {
  const uint64_t l = list_of(e->pages);
  pull(&heap.runs[l], e);
  if (heap.runs[l] == nullptr) heap.nonempty[l / 64] &= ~(uint64_t{1} << (l % 64));
  heap.loose -= loose_in(e);
}

// The shortest free run of at least pages pages, or null.
page_entry* shortest_run(uint64_t pages) {
  uint64_t w = pages / 64;
  uint64_t bits = heap.nonempty[w] & (~uint64_t{0} << (pages % 64));
  while (bits == 0) {
    if (++w == mask_words) return nullptr;
    bits = heap.nonempty[w];
  }
  return heap.runs[w * 64 + static_cast<uint64_t>(__builtin_ctzll(bits))];
}

// Marks pages [first, first + n) of a as one free run and lists it. The end of a run is read
// only by the run that follows; a run that ends the arena has none, so its end is not written
// and the arena's last entry never holds one: a program whose blocks all fit low in the
// arena touches no entry pages at the top.
void make_free(arena* a, uint64_t first, uint64_t n, uint64_t used) {
  page_entry* head = &a->entry[first];
  head->pages = static_cast<uint16_t>(n);
  head->kind = k_free;
  head->bits = used;
  if (n > 1 && first + n < a->count) {
    a->entry[first + n - 1].pages = static_cast<uint16_t>(n);
    a->entry[first + n - 1].kind = k_free_end;
  }
  link(head);
}

void start_arena(arena* a, unsigned char* pages, uint64_t count) {
  a->pages = pages;
  a->count = count;
  a->used = 0;
  make_free(a, 0, count, 0);
}

// ---- Giving free runs back ---------------------------------------------------------------

// Gives back the free runs that count as loose. A run the system will not clear (locked in
// memory, say) stays marked used, and is cleared when handed out.
void give_back() {
  const uint64_t shortest = give_back_bytes >> heap.shift;
  for (uint64_t l = shortest; l < heap.max_run_pages + 2; ++l) {
    for (page_entry* run = heap.runs[l]; run != nullptr; run = run->next) {
      const auto at = reinterpret_cast<long>(page_of(arena_of(run), run));
      if (loose_in(run) != 0 &&
          !failed(syscall3(sys_madvise, at, static_cast<long>(run->pages) << heap.shift,
                           madv_dontneed))) {
        heap.loose -= run->bits;
        run->bits = 0;
      }
    }
  }
}

// ---- Taking and releasing runs -----------------------------------------------------------

// Maps an arena aligned to its size: a mapping of twice the size and a page, trimmed at both
// ends (the arena starts above the mapping's start, so each end always has a part to go). A
// trim the system refuses (at its mapping limit) leaves that part mapped with the arena, to go
// back with it.
bool add_arena() {
  if (!reserve_region()) return false;
  const long raw = map(2 * arena_bytes + heap.page);
  if (failed(raw)) return false;
  auto start = static_cast<uintptr_t>(raw);
  uintptr_t end = start + 2 * arena_bytes + heap.page;
  const uintptr_t base = (start + arena_bytes) & ~(arena_bytes - 1);
  if (unmap(start, base - start)) start = base;
  if (unmap(base + arena_bytes, end - base - arena_bytes)) end = base + arena_bytes;
  record(base, 0);
  auto* a = reinterpret_cast<arena*>(base);
  a->map_start = start;
  a->map_bytes = end - start;
  a->bits = reinterpret_cast<uint64_t*>(&a->entry[heap.arena_pages]);
  start_arena(a, reinterpret_cast<unsigned char*>(base + (heap.header_pages << heap.shift)),
              heap.arena_pages - heap.header_pages);
  return true;
}

// Gives a wholly free mapped arena back. If munmap fails, it stays, free and listed.
void retire(arena* a) {
  page_entry* run = &a->entry[0];
  unlink(run);
  const auto base = reinterpret_cast<uintptr_t>(a);
  if (unmap(a->map_start, a->map_bytes)) {
    erase(find(base));
  } else {
    link(run);
  }
}

// A mapped arena has lost its last block. It goes back to the system, unless it can be the
// one kept in reserve while blocks are live elsewhere: a program that takes and returns a
// block at an arena's edge would otherwise map and unmap an arena each time.
void arena_emptied(arena* a) {
  if (heap.spare == nullptr && heap.blocks > 1) {
    heap.spare = a;
  } else {
    retire(a);
  }
}

// A run of want pages, its first entry marked as a block; null if no arena can be had. used:
// whether its pages may hold what earlier blocks wrote.
page_entry* take_run(uint64_t want, bool& used) {
  page_entry* run;
  while ((run = shortest_run(want)) == nullptr) {
    if (!add_arena()) return nullptr;
  }
  unlink(run);
  arena* a = arena_of(run);
  const auto first = static_cast<uint64_t>(run - a->entry);
  const uint64_t have = run->pages;
  const uint64_t run_used = run->bits;
  used = run_used != 0;
  if (have > want) {
    make_free(a, first + want, have - want, run_used < have - want ? run_used : have - want);
  } else if (want > 1 && first + want < a->count) {
    a->entry[first + want - 1] = page_entry{};  // no longer the end of a free run
  }
  *run = page_entry{};
  run->pages = static_cast<uint16_t>(want);
  run->kind = k_block;
  if (a == heap.spare) heap.spare = nullptr;
  a->used += want;
  heap.used += want;
  return run;
}

// Returns the run that e starts to the free lists, merged with its free neighbours.
void release_run(arena* a, page_entry* e) {
  const auto index = static_cast<uint64_t>(e - a->entry);
  const uint64_t n = e->pages;
  const uint64_t end = index + n;
  a->used -= n;
  heap.used -= n;
  *e = page_entry{};
  uint64_t first = index;
  uint64_t total = n;
  uint64_t used = n;
  if (index > 0) {
    page_entry* left_end = &a->entry[index - 1];
    if (left_end->kind == k_free || left_end->kind == k_free_end) {
      first -= left_end->pages;
      total += left_end->pages;
      page_entry* left = &a->entry[first];
      used += left->bits;
      unlink(left);
      *left = page_entry{};
      *left_end = page_entry{};
    }
  }
  if (end < a->count && a->entry[end].kind == k_free) {
    page_entry* right = &a->entry[end];
    const uint64_t right_n = right->pages;
    total += right_n;
    used += right->bits;
    unlink(right);
    *right = page_entry{};
    if (end + right_n < a->count) a->entry[end + right_n - 1] = page_entry{};
  }
  make_free(a, first, total, used);
  if (heap.loose << heap.shift >= least_given_back && heap.loose * 4 >= heap.used) give_back();
  if (a->used == 0 && a != &heap.image) arena_emptied(a);
}

// ---- Slabs and blocks ------------------------------------------------------------------

void start_heap() {
  const uint64_t page = page_size();
  heap.page = page;
  heap.shift = static_cast<uint64_t>(__builtin_ctzll(page));
  heap.arena_pages = arena_bytes >> heap.shift;
  heap.max_run_pages = max_run_bytes >> heap.shift;
  const uint64_t header =
      offsetof(arena, entry) + heap.arena_pages * (sizeof(page_entry) + page / 128);
  heap.header_pages = (header + page - 1) >> heap.shift;
  heap.regions = region_table{heap.first_slots, inline_slots, 0, 0};
  // The pool's whole pages: the image may be aligned to less than the system's page.
  const auto from = (reinterpret_cast<uintptr_t>(heap.pool) + page - 1) & ~(page - 1);
  const auto to = (reinterpret_cast<uintptr_t>(heap.pool) + arena_bytes) & ~(page - 1);
  heap.image.bits = heap.image_bits;
  start_arena(&heap.image, reinterpret_cast<unsigned char*>(from), (to - from) >> heap.shift);
  heap.ready = true;
}

uint64_t class_of(uint64_t n) {
  if (n <= 128) return (n - 1) >> 4;
  const auto top = static_cast<uint64_t>(63 - __builtin_clzll(n - 1));  // 2^top < n
  return 8 * top - 56 + ((n - 1) >> (top - 3));
}

[[gnu::always_inline]] inline uint64_t* slab_bits(page_entry* h, const size_class& k) {
  return k.slots <= 64 ? &h->bits : reinterpret_cast<uint64_t*>(h->bits);
}

// Opens a slab for class c, and the heap on its first block; null if no pages can be had. A
// slab has the fewest pages, 1 to 8, that leave at most 1/32 of it after its last slot (at 4 to
// 64 KiB pages some count always does): larger slabs would waste less, but a class keeps one
// even when it holds few blocks.
[[gnu::noinline]] page_entry* new_slab(uint64_t c) {
  if (!heap.ready) start_heap();
  size_class& k = heap.classes[c];
  if (k.slots == 0) {
    const uint64_t octave = c < 8 ? 0 : (c - 8) / 8;
    const uint64_t bytes = c < 8 ? (c + 1) * 16 : (uint64_t{16} << octave) * (9 + (c - 8) % 8);
    uint64_t pages = 1;
    while ((pages << heap.shift) % bytes * 32 > pages << heap.shift && pages < max_slab_pages) {
      ++pages;
    }
    k.magic = static_cast<uint32_t>(((uint64_t{1} << 32) + bytes - 1) / bytes);
    k.bytes = static_cast<uint16_t>(bytes);
    k.slots = static_cast<uint16_t>((pages << heap.shift) / bytes);
    k.pages = pages;
  }
  bool used = false;
  page_entry* h = take_run(k.pages, used);
  if (h == nullptr) return nullptr;
  for (uint64_t j = 0; j < k.pages; ++j) {
    h[j].pages = static_cast<uint16_t>(j);
    h[j].kind = k_slab;
  }
  h->cls = static_cast<uint8_t>(c);
  h->free = k.slots;
  if (k.slots > 64) {
    arena* a = arena_of(h);
    h->bits = reinterpret_cast<uint64_t>(a->bits +
                                         static_cast<uint64_t>(h - a->entry) * (heap.page / 1024));
  }
  uint64_t* w = slab_bits(h, k);
  uint64_t left = k.slots;
  for (; left >= 64; left -= 64) *w++ = ~uint64_t{0};
  if (left != 0) *w = (uint64_t{1} << left) - 1;
  push(&heap.slabs[c], h);
  return h;
}

// Gives the pages of an empty slab back to the runs.
void close_slab(arena* a, page_entry* h, const size_class& k) {
  pull(&heap.slabs[h->cls], h);
  for (uint64_t j = 1; j < k.pages; ++j) h[j] = page_entry{};
  h->pages = static_cast<uint16_t>(k.pages);
  release_run(a, h);
}

// A block of more than max_slot_bytes, or of none.
[[gnu::noinline]] void* page_alloc(uint64_t n) {
  if (n == 0) return nullptr;
  if (!heap.ready) start_heap();
  if (n > max_run_bytes) {
    if (!reserve_region()) return nullptr;
    const long p = map(n);
    if (failed(p)) return nullptr;
    record(static_cast<uintptr_t>(p), n);
    return reinterpret_cast<void*>(p);
  }
  bool used = false;
  page_entry* run = take_run((n + heap.page - 1) >> heap.shift, used);
  if (run == nullptr) return nullptr;
  ++heap.blocks;
  unsigned char* p = page_of(arena_of(run), run);
  return used ? clear(p, n) : p;
}

// The mapped arena that holds p, or null. A large block at p is released here: it leaves the
// table only once it is unmapped, so if munmap fails it stays a block, and a later release
// can try again.
arena* mapped_arena_at(uintptr_t p) {
  if (region* r = find(p & ~(arena_bytes - 1)); r != nullptr && r->size == 0) {
    auto* a = reinterpret_cast<arena*>(r->base);
    return within(p, a->pages, a->count << heap.shift) ? a : nullptr;
  }
  if (region* r = find(p); r != nullptr && r->size != 0 && unmap(p, r->size)) erase(r);
  return nullptr;
}

}  // namespace

void* block_alloc(uint64_t n) {
  if (n - 1 >= max_slot_bytes) return page_alloc(n);
  const uint64_t c = class_of(n);
  page_entry* h = heap.slabs[c];
  if (h == nullptr && (h = new_slab(c)) == nullptr) return nullptr;
  const size_class& k = heap.classes[c];
  arena* a = arena_of(h);
  uint64_t* w = slab_bits(h, k);
  uint64_t i = h->hint;
  while (w[i] == 0) ++i;
  h->hint = static_cast<uint16_t>(i);
  const uint64_t slot = i * 64 + static_cast<uint64_t>(__builtin_ctzll(w[i]));
  w[i] &= w[i] - 1;
  if (--h->free == 0) pull(&heap.slabs[c], h);
  ++heap.blocks;
  return clear(page_of(a, h) + slot * k.bytes, n);
}

// A slot is released if p starts one in use. A slab left empty goes back to the runs, unless
// it lies in the image's arena and is its class's only one with free slots: taking and
// releasing one block then costs no slab each time.
void block_free(void* block) {
  const auto p = reinterpret_cast<uintptr_t>(block);
  arena* a = &heap.image;
  if (!within(p, heap.image.pages, heap.image.count << heap.shift) &&
      (a = mapped_arena_at(p)) == nullptr) {
    return;
  }
  const uint64_t in_arena = p - reinterpret_cast<uintptr_t>(a->pages);
  page_entry* e = &a->entry[in_arena >> heap.shift];
  if (e->kind == k_slab) {
    page_entry* h = e - e->pages;
    const size_class& k = heap.classes[h->cls];
    const uint64_t offset = (in_arena & (heap.page - 1)) + (uint64_t{e->pages} << heap.shift);
    // With magic = 2^32 / bytes rounded up and offsets below 2^20, the high half of the
    // product is offset / bytes, and the low half stays below magic just when it divides.
    const uint64_t product = offset * k.magic;
    const uint64_t slot = product >> 32;
    if (static_cast<uint32_t>(product) >= k.magic || slot >= k.slots) return;
    uint64_t* w = slab_bits(h, k) + slot / 64;
    const uint64_t bit = uint64_t{1} << (slot % 64);
    if ((*w & bit) != 0) return;
    *w |= bit;
    if (slot / 64 < h->hint) h->hint = static_cast<uint16_t>(slot / 64);
    if (h->free++ == 0) {
      push(&heap.slabs[h->cls], h);
    } else if (h->free == k.slots &&
               (a != &heap.image || h->next != nullptr || h->prev != nullptr)) {
      close_slab(a, h, k);
    }
  } else if (e->kind == k_block && (p & (heap.page - 1)) == 0) {
    release_run(a, e);
  } else {
    return;
  }
  if (--heap.blocks == 0 && heap.spare != nullptr) {
    retire(heap.spare);
    heap.spare = nullptr;
  }
}

}  // namespace kivo::platform
