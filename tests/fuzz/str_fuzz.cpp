// The string routines against the std::string models. The input's first bytes choose which
// arguments are null, the substring bounds, a heap request to refuse and the replacement
// budget; the rest, split at NUL bytes, gives the text, the pattern and the replacement.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "str_model.h"
#include "text/str_edit.h"
#include "text/str_primitives.h"
#include "text/str_replace.h"
#include "text/str_search.h"
#include "variants.h"

namespace {

using text = std::optional<std::string>;  // nullopt stands for the null pointer
using kivo::fuzz::check;
using kivo::fuzz::check_text;
namespace model = kivo::model;

const char* c_str(const text& t) { return t ? t->c_str() : nullptr; }

// The null rules around the models: null measures and joins as empty, a null text gives no
// string, a null or absent pattern a copy of the text, a null replacement counts as empty.
int64_t model_find(const text& hay, const text& needle) {
  return hay && needle ? model::find(*hay, *needle) : -1;
}

template <typename Model>
text on_text(const text& s, Model m) {
  return s ? text(m(*s)) : text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t nulls = data[0];
  const int64_t start = static_cast<int8_t>(data[1]);
  const int64_t end = static_cast<int8_t>(data[2]);
  const int64_t fail_at = data[3] % 8;
  const int64_t budget = (data[3] >> 3) * 8;
  std::vector<std::string> parts(3);
  size_t part = 0;
  for (size_t i = 4; i < size; ++i) {
    if (data[i] == 0) {
      if (++part == parts.size()) break;
    } else {
      parts[part] += static_cast<char>(data[i]);
    }
  }
  const text s = nulls & 1 ? text() : parts[0];
  const text old_text = nulls & 2 ? text() : parts[1];
  const text new_text = nulls & 4 ? text() : parts[2];
  const std::string with = new_text.value_or("");

  check(kivo::str_len(c_str(s)) == static_cast<int64_t>(s.value_or("").size()));
  check(kivo::str_find(c_str(s), c_str(old_text)) == model_find(s, old_text));
  for (const kivo::test::variant& v : kivo::test::variants()) {
    check(v.str_find(c_str(s), c_str(old_text)) == model_find(s, old_text));
    check(v.text_len(c_str(s)) == static_cast<int64_t>(s.value_or("").size()));
  }
  check(kivo::str_contains(c_str(s), c_str(old_text)) == (model_find(s, old_text) >= 0 ? 1 : 0));
  check_text([&] { return kivo::str_substring(c_str(s), start, end); },
             on_text(s, [&](const std::string& t) { return model::substring(t, start, end); }),
             fail_at);
  check_text([&] { return kivo::str_trim(c_str(s)); }, on_text(s, model::trim), fail_at);
  check_text([&] { return kivo::str_upper(c_str(s)); }, on_text(s, model::upper), fail_at);
  check_text([&] { return kivo::str_dup(c_str(s)); }, s, fail_at);
  check_text([&] { return kivo::str_concat3(c_str(s), c_str(old_text), c_str(new_text)); },
             s.value_or("") + old_text.value_or("") + with, fail_at);
  check_text([&] { return kivo::str_replace_first(c_str(s), c_str(old_text), c_str(new_text)); },
             on_text(s, [&](const std::string& t) {
               return old_text ? model::replace_first(t, *old_text, with) : t;
             }),
             fail_at);
  // A small budget keeps the model affordable where the rounds may not end.
  check_text([&] { return kivo::str_replace_within(c_str(s), c_str(old_text), c_str(new_text), budget); },
             on_text(s, [&](const std::string& t) {
               return old_text ? model::replace(t, *old_text, with, budget) : t;
             }),
             fail_at);
  return 0;
}
