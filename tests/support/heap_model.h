#pragma once
// Heap blocks as plain rules: the alignment a block must have, the slot a small block fills on
// Linux, and a record of the live blocks that finds any two that overlap.
#include <stdint.h>

#include <iterator>
#include <map>

namespace kivo::model {

// Every block is 16-aligned; a block of a page or more starts a page.
inline uint64_t block_alignment(uint64_t n, uint64_t page) { return n >= page ? page : 16; }

// The bytes of the Linux slot that a block of n bytes fills: size classes 16 bytes apart up to
// 128, then eight to each doubling, up to 3072; 0 for larger blocks, which are whole pages.
inline uint64_t slot_bytes(uint64_t n) {
  if (n > 3072) return 0;
  uint64_t step = 16;
  for (uint64_t top = 128; n > top; top *= 2) step = top / 8;
  return (n + step - 1) / step * step;
}

class live_blocks {
 public:
  // Records [p, p + n); false if it overlaps a live block.
  bool add(const void* p, uint64_t n) {
    const auto at = reinterpret_cast<uintptr_t>(p);
    auto next = blocks_.lower_bound(at);
    if (next != blocks_.end() && next->first < at + n) return false;
    if (next != blocks_.begin() && std::prev(next)->second > at) return false;
    blocks_[at] = at + n;
    return true;
  }
  void remove(const void* p) { blocks_.erase(reinterpret_cast<uintptr_t>(p)); }

 private:
  std::map<uintptr_t, uintptr_t> blocks_;  // start to end
};

}  // namespace kivo::model
