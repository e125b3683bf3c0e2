// Exact, case-sensitive string operations, as the installer steps use them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace tbo {

inline bool Contains(std::u16string_view text, std::u16string_view fragment) {
  return text.find(fragment) != std::u16string_view::npos;
}

// Every occurrence, scanning from the first character; no limit on the count.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to);

// The parts one after the other: one string made once, where a chain of
// "+" would make one for every part.
std::u16string Joined(std::initializer_list<std::u16string_view> parts);

// "-12", "305": the decimal digits, without the C library's formatting.
std::u16string Decimal(long long n);

// A drive letter, a colon and a backslash, or a UNC path: a folder that
// names itself, never the current folder or the root of the current drive.
inline bool IsAbsoluteFolder(std::u16string_view path) {
  const auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  if (path.size() >= 3 && letter(path[0]) && path[1] == u':' && path[2] == u'\\') return true;
  return path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\' && path[2] != u'\\';
}

}  // namespace tbo
