// What the stand-in applications share.
#include "standins/office.h"

namespace tbo::standin {

bool FileExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring BaseName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

std::wstring Folder(const std::wstring& path) {
  const auto cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::wstring WithoutExtension(const std::wstring& name) { return name.substr(0, name.find_last_of(L'.')); }

bool IsText(const VARIANT* v) {
  return v && ((v->vt & VT_TYPEMASK) == VT_BSTR || (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal->vt == VT_BSTR));
}

bool AddInNamed(const AddInData& a, const std::wstring& key) {
  return SameText(a.name, key) || SameText(BaseName(a.fullName), key);
}

}  // namespace tbo::standin
