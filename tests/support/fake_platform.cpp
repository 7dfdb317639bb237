#include "fake_platform.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIVO_FAKE_EXACT_BLOCKS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || !defined(__unix__)
#define KIVO_FAKE_EXACT_BLOCKS 1
#endif
#if !defined(KIVO_FAKE_EXACT_BLOCKS)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "core/float_format.h"
#include "core/platform.h"

namespace kivo {
namespace {

struct fake_state {
  std::string output;
  int64_t pieces = 0;
  int64_t writes = 0;
  int64_t written = 0;                        // console bytes since the last reset
  std::vector<int64_t> written_at_request;  // written, as each heap request came in
  std::unordered_map<void*, uint64_t> blocks;
  int64_t requests = 0;
  int64_t fail_at = 0;
  int64_t file_time = 134116992000000000;  // 2026-01-01 00:00 UTC
};

fake_state& state() {
  static fake_state s;
  return s;
}

// Larger requests are refused as an OS would refuse a size beyond the address space.
constexpr uint64_t largest_block = uint64_t{1} << 40;

// Where blocks live. Under AddressSanitizer a block is exactly n bytes of the sanitizer's
// heap, so that any access outside it is caught. Elsewhere it starts a page, as the real
// platform's do, behind a page that cannot be read: a read before the block (s[-1]) faults
// in every build. A released block is scribbled over and stays mapped for a while, so that
// stale reads give garbage rather than the next block's bytes.
#if defined(KIVO_FAKE_EXACT_BLOCKS)
void* map_block(uint64_t n) { return std::calloc(1, n); }
void unmap_block(void* p, uint64_t) { std::free(p); }
#else
uint64_t page_size() {
  static const auto size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  return size;
}

uint64_t mapped_size(uint64_t n) {
  return page_size() + (n + page_size() - 1) / page_size() * page_size();
}

void* map_block(uint64_t n) {
  void* base = mmap(nullptr, mapped_size(n), PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  mprotect(base, page_size(), PROT_NONE);
  return static_cast<char*>(base) + page_size();
}

void unmap_block(void* p, uint64_t n) {
  struct released {
    void* p;
    uint64_t n;
  };
  static std::deque<released> quarantine;
  quarantine.push_back({p, n});
  if (quarantine.size() <= 64) return;
  const released oldest = quarantine.front();
  quarantine.pop_front();
  munmap(static_cast<char*>(oldest.p) - page_size(), mapped_size(oldest.n));
}
#endif

}  // namespace

namespace platform {

void exit_process(uint32_t code) { std::_Exit(static_cast<int>(code)); }

void* block_alloc(uint64_t n) {
  fake_state& s = state();
  ++s.requests;
  s.written_at_request.push_back(s.written);
  if (s.requests == s.fail_at || n == 0 || n > largest_block) return nullptr;
  void* p = map_block(n);
  if (p != nullptr) s.blocks.emplace(p, n);
  return p;
}

void block_free(void* p) {
  auto it = state().blocks.find(p);
  if (it == state().blocks.end()) return;
  // Scribbled over, so that a read through a stale pointer gives garbage in every build.
  std::memset(p, 0xA5, it->second);
  const uint64_t n = it->second;
  state().blocks.erase(it);
  unmap_block(p, n);
}

int64_t file_time_now() { return state().file_time; }

void console_write(const char* p, int64_t n, bool line_end) {
  fake_state& s = state();
  ++s.pieces;
  ++s.writes;
  if (n > 0) s.written += n;
  if (n > 0) s.output.append(p, static_cast<size_t>(n));
  if (!line_end) return;
  ++s.writes;
  ++s.written;
  s.output += '\n';
}

int64_t text_len(const char* s) {
  if (s == nullptr) return 0;
  int64_t n = 0;
  while (s[n] != '\0') ++n;
  return n;
}

int64_t float_text(double v, char* buf) { return float_format_fixed6(v, buf); }

}  // namespace platform

namespace fake {

void reset() {
  fake_state& s = state();
  s.output.clear();
  s.pieces = 0;
  s.writes = 0;
  s.written = 0;
  s.written_at_request.clear();
  s.requests = 0;
  s.fail_at = 0;
}

std::string take_output() {
  std::string out;
  out.swap(state().output);
  return out;
}

int64_t write_calls() { return state().writes; }
int64_t pieces() { return state().pieces; }
int64_t live_blocks() { return static_cast<int64_t>(state().blocks.size()); }
int64_t block_size(const void* p) {
  const auto it = state().blocks.find(const_cast<void*>(p));
  return it == state().blocks.end() ? -1 : static_cast<int64_t>(it->second);
}
int64_t heap_requests() { return state().requests; }
int64_t output_before_request(int64_t n) {
  const std::vector<int64_t>& marks = state().written_at_request;
  if (n < 1 || n > static_cast<int64_t>(marks.size())) return -1;
  return marks[static_cast<size_t>(n - 1)];
}
void fail_request(int64_t n) { state().fail_at = n == 0 ? 0 : state().requests + n; }
void set_file_time(int64_t file_time) { state().file_time = file_time; }

void fixture::SetUp() {
  reset();
  live_at_start_ = live_blocks();
}

void fixture::TearDown() { EXPECT_EQ(live_blocks(), live_at_start_) << "heap blocks leaked"; }

}  // namespace fake
}  // namespace kivo
