// Exact, case-sensitive string operations, as the installer steps use them.
#pragma once

#include <string>
#include <string_view>

namespace tbo {

inline bool Contains(std::u16string_view text, std::u16string_view fragment) {
  return text.find(fragment) != std::u16string_view::npos;
}

// Every occurrence, scanning from the first character; no limit on the count.
inline std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                                 std::u16string_view to) {
  if (from.empty()) return std::u16string(text);
  std::u16string out;
  size_t start = 0;
  for (size_t at; (at = text.find(from, start)) != std::u16string_view::npos; start = at + from.size()) {
    out.append(text.substr(start, at - start)).append(to);
  }
  return out.append(text.substr(start));
}

// "-12", "305": the decimal digits, without the C library's formatting.
inline std::u16string Decimal(long long n) {
  const bool negative = n < 0;
  unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::u16string out;
  do out.insert(out.begin(), static_cast<char16_t>(u'0' + u % 10)); while (u /= 10);
  return negative ? u"-" + out : out;
}

// A drive letter, a colon and a backslash, or a UNC path: a folder that
// names itself, never the current folder or the root of the current drive.
inline bool IsAbsoluteFolder(std::u16string_view path) {
  const auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  if (path.size() >= 3 && letter(path[0]) && path[1] == u':' && path[2] == u'\\') return true;
  return path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\' && path[2] != u'\\';
}

}  // namespace tbo
