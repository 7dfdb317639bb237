#include "fake_platform.h"

#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

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

}  // namespace

namespace platform {

void exit_process(uint32_t code) { std::_Exit(static_cast<int>(code)); }

void* block_alloc(uint64_t n) {
  fake_state& s = state();
  ++s.requests;
  s.written_at_request.push_back(s.written);
  if (s.requests == s.fail_at || n == 0 || n > largest_block) return nullptr;
  // Exactly n bytes, so that sanitizers catch any access past the requested size.
  void* p = std::calloc(1, n);
  if (p != nullptr) s.blocks.emplace(p, n);
  return p;
}

void block_free(void* p) {
  auto it = state().blocks.find(p);
  if (it == state().blocks.end()) return;
  // Scribbled over, so that a read through a stale pointer gives garbage in every build.
  std::memset(p, 0xA5, it->second);
  state().blocks.erase(it);
  std::free(p);
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
