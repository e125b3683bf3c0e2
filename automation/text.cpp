#include "automation/text.h"

namespace tbo {

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                                 std::u16string_view to) {
  if (from.empty()) return std::u16string(text);
  std::u16string out;
  size_t start = 0;
  for (size_t at; (at = text.find(from, start)) != std::u16string_view::npos; start = at + from.size()) {
    out.append(text.substr(start, at - start)).append(to);
  }
  return out.append(text.substr(start));
}

std::u16string Joined(std::initializer_list<std::u16string_view> parts) {
  size_t size = 0;
  for (std::u16string_view p : parts) size += p.size();
  std::u16string out;
  out.reserve(size);
  for (std::u16string_view p : parts) out.append(p);
  return out;
}

std::u16string Decimal(long long n) {
  const bool negative = n < 0;
  unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::u16string out;
  do out.insert(out.begin(), static_cast<char16_t>(u'0' + u % 10)); while (u /= 10);
  return negative ? u"-" + out : out;
}

}  // namespace tbo
