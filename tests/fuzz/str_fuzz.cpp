// The string routines against std::string models. The input's first bytes choose which
// arguments are null, the substring bounds and a heap request to refuse; the rest, split at
// NUL bytes, gives the text, the pattern and the replacement.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/mem.h"
#include "fake_platform.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"
#include "text/str_search.h"

namespace {

using Text = std::optional<std::string>;  // nullopt stands for the null pointer

void check(bool ok) {
  if (!ok) std::abort();
}

const char* c_str(const Text& t) { return t ? t->c_str() : nullptr; }

bool white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int64_t model_find(const Text& hay, const Text& needle) {
  if (!hay || !needle) return -1;
  const size_t at = hay->find(*needle);
  return at == std::string::npos ? -1 : static_cast<int64_t>(at);
}

Text model_substring(const Text& s, int64_t start, int64_t end) {
  if (!s) return std::nullopt;
  const auto len = static_cast<int64_t>(s->size());
  if (start < 0) start = 0;
  if (end < 0 || end > len) end = len;
  if (end < start) end = start;
  if (start >= len) return std::string();
  return s->substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

Text model_trim(const Text& s) {
  if (!s) return std::nullopt;
  size_t start = 0, end = s->size();
  while (start < end && white((*s)[start])) ++start;
  while (end > start && white((*s)[end - 1])) --end;
  return s->substr(start, end - start);
}

Text model_upper(const Text& s) {
  if (!s) return std::nullopt;
  std::string out = *s;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  }
  return out;
}

Text model_replace_first(const Text& s, const Text& old_text, const Text& new_text) {
  const int64_t at = model_find(s, old_text);
  if (at < 0) return s;
  std::string out = *s;
  out.replace(static_cast<size_t>(at), old_text->size(), new_text.value_or(""));
  return out;
}

Text model_replace(const Text& s, const Text& old_text, const Text& new_text) {
  if (!s || !old_text || old_text->empty()) return s;
  const std::string& from = *old_text;
  const std::string to = new_text.value_or("");
  // One pass, left to right, resuming after each insertion: for replacements that would
  // bring the pattern back for ever.
  auto forward = [&] {
    std::string out = *s;
    for (size_t at = out.find(from); at != std::string::npos; at = out.find(from, at + to.size())) {
      out.replace(at, from.size(), to);
    }
    return out;
  };
  if (to.find(from) != std::string::npos) return forward();
  // A longer replacement that holds every byte of the pattern, starts with a proper suffix
  // of it and ends with a proper prefix of it may rebuild the pattern for ever: it rescans
  // only within a budget of searched bytes.
  bool may_loop = false;
  if (to.size() > from.size() && from.find_first_not_of(to) == std::string::npos) {
    bool left = false, right = false;
    for (size_t k = 1; k < from.size(); ++k) {
      left = left || to.compare(0, k, from, from.size() - k, k) == 0;
      right = right || to.compare(to.size() - k, k, from, 0, k) == 0;
    }
    may_loop = left && right;
  }
  int64_t budget = 65536 + static_cast<int64_t>((s->size() + 1) * 16 * (to.size() + 1));
  // Every search starts again at the front, so occurrences formed by a replacement count too.
  std::string out = *s;
  for (size_t at; (at = out.find(from)) != std::string::npos;) {
    if (may_loop && (budget -= static_cast<int64_t>(out.size())) < 0) return forward();
    out.replace(at, from.size(), to);
  }
  return out;
}

// Runs make() with the n-th heap request refused (0: none) and checks the text it returns:
// a new block holding the model's text, or null where the model has no string or a request
// was refused. Every block must be back when it is released.
template <typename Make>
void check_text(Make make, const Text& want, int64_t fail_at) {
  kivo::fake::reset();
  kivo::fake::fail_request(fail_at);
  const int64_t live = kivo::fake::live_blocks();
  char* got = make();
  if (!want || fail_at == 0) check((got == nullptr) == !want);
  if (got != nullptr) {
    check(want && *want == got);
    check(kivo::fake::live_blocks() == live + 1);
  }
  kivo::mem_free(got);
  check(kivo::fake::live_blocks() == live);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t nulls = data[0];
  const int64_t start = static_cast<int8_t>(data[1]);
  const int64_t end = static_cast<int8_t>(data[2]);
  const int64_t fail_at = data[3] % 8;
  std::vector<std::string> parts(3);
  size_t part = 0;
  for (size_t i = 4; i < size; ++i) {
    if (data[i] == 0) {
      if (++part == parts.size()) break;
    } else {
      parts[part] += static_cast<char>(data[i]);
    }
  }
  const Text s = nulls & 1 ? Text() : parts[0];
  const Text old_text = nulls & 2 ? Text() : parts[1];
  const Text new_text = nulls & 4 ? Text() : parts[2];

  check(kivo::str_len(c_str(s)) == static_cast<int64_t>(s.value_or("").size()));
  check(kivo::str_find(c_str(s), c_str(old_text)) == model_find(s, old_text));
  check(kivo::str_contains(c_str(s), c_str(old_text)) == (model_find(s, old_text) >= 0 ? 1 : 0));
  check_text([&] { return kivo::str_substring(c_str(s), start, end); }, model_substring(s, start, end), fail_at);
  check_text([&] { return kivo::str_trim(c_str(s)); }, model_trim(s), fail_at);
  check_text([&] { return kivo::str_upper(c_str(s)); }, model_upper(s), fail_at);
  check_text([&] { return kivo::str_dup(c_str(s)); }, s, fail_at);
  check_text([&] { return kivo::str_concat3(c_str(s), c_str(old_text), c_str(new_text)); },
             s.value_or("") + old_text.value_or("") + new_text.value_or(""), fail_at);
  check_text([&] { return kivo::str_replace_first(c_str(s), c_str(old_text), c_str(new_text)); },
             model_replace_first(s, old_text, new_text), fail_at);
  check_text([&] { return kivo::str_replace(c_str(s), c_str(old_text), c_str(new_text)); },
             model_replace(s, old_text, new_text), fail_at);
  return 0;
}
