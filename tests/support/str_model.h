#pragma once
// What the string routines must give, written plainly with std::string: the models that the
// unit tests and the fuzz target compare the runtime with. Null strings are the callers'
// business; these take texts.
#include <stdint.h>

#include <optional>
#include <string>

namespace kivo::model {

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The plain search: every start in turn, each compared byte by byte.
inline int64_t find(const std::string& hay, const std::string& needle) {
  const auto hl = static_cast<int64_t>(hay.size()), nl = static_cast<int64_t>(needle.size());
  if (nl == 0) return 0;
  for (int64_t i = 0; i + nl <= hl; ++i) {
    int64_t j = 0;
    while (j < nl && needle[static_cast<size_t>(j)] == hay[static_cast<size_t>(i + j)]) ++j;
    if (j == nl) return i;
  }
  return -1;
}

inline std::string substring(const std::string& s, int64_t start, int64_t end) {
  const auto len = static_cast<int64_t>(s.size());
  if (start < 0) start = 0;
  if (end < 0 || end > len) end = len;
  if (end <= start) return "";
  return s.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

inline std::string trim(const std::string& s) {
  size_t start = 0, end = s.size();
  while (start < end && is_blank(s[start])) ++start;
  while (end > start && is_blank(s[end - 1])) --end;
  return s.substr(start, end - start);
}

inline std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  }
  return s;
}

inline std::string replace_first(const std::string& s, const std::string& old_text,
                                 const std::string& new_text) {
  const size_t at = s.find(old_text);
  if (at == std::string::npos) return s;
  return s.substr(0, at) + new_text + s.substr(at + old_text.size());
}

// Bytes of replacement text that the rounds may insert, where they may not end, for a text of
// length sl.
inline int64_t replace_budget(size_t sl) { return (int64_t{1} << 24) + 256 * (static_cast<int64_t>(sl) + 1); }

// Every occurrence replaced, each search starting again at the front, so occurrences that a
// replacement forms with its surroundings are replaced too. Where the replacement holds the
// pattern that would go on for ever, and it is given up for one forward pass over the original
// text, which goes on after each insertion. Where the replacement is longer, holds every byte
// of the pattern, starts with a proper suffix of it and ends with a proper prefix of it, the
// rounds may go on for ever too: once they would insert more than the budget of bytes (a
// negative budget stands for replace_budget) there is no result (nullopt), as there would be
// none once memory ran out. Each round costs a search and a copy of the whole text:
// affordable for small budgets only where the rounds may not end.
inline std::optional<std::string> replace(const std::string& s, const std::string& old_text,
                                          const std::string& new_text, int64_t budget = -1) {
  if (old_text.empty()) return s;
  if (budget < 0) budget = replace_budget(s.size());
  if (new_text.find(old_text) != std::string::npos) {
    std::string out = s;
    for (size_t at = out.find(old_text); at != std::string::npos;
         at = out.find(old_text, at + new_text.size())) {
      out.replace(at, old_text.size(), new_text);
    }
    return out;
  }
  bool may_loop = false;
  if (new_text.size() > old_text.size() &&
      old_text.find_first_not_of(new_text) == std::string::npos) {
    bool left = false, right = false;
    for (size_t k = 1; k < old_text.size(); ++k) {
      left = left || new_text.compare(0, k, old_text, old_text.size() - k, k) == 0;
      right = right || new_text.compare(new_text.size() - k, k, old_text, 0, k) == 0;
    }
    may_loop = left && right;
  }
  int64_t inserted = 0;
  std::string out = s;
  for (size_t at; (at = out.find(old_text)) != std::string::npos;) {
    inserted += static_cast<int64_t>(new_text.size());
    if (may_loop && inserted > budget) return std::nullopt;
    out.replace(at, old_text.size(), new_text);
  }
  return out;
}

}  // namespace kivo::model
