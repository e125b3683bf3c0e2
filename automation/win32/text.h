// UTF-16 text between the platform-neutral core (char16_t) and the Windows
// API (wchar_t, also UTF-16 there).
#pragma once

#include <string>
#include <string_view>

namespace tbo::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

inline std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string FromWide(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

}  // namespace tbo::win
