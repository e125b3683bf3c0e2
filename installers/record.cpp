#include "installers/record.h"

#include <vector>

#include "automation/text.h"

namespace tbo {
namespace {

constexpr std::u16string_view kFieldSeparator = u"; ";
constexpr std::u16string_view kProgram = u"TBO Setup ";
// What version 1.00 recorded before records named a generation.
constexpr std::u16string_view kFirstVersion = u"1.00";
constexpr std::u16string_view kFirstGeneration = u"Tambrel_O21/1";

bool Digits(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return !text.empty();
}

// "2026-12-07 14:46".
bool IsMinute(std::u16string_view t) {
  return t.size() == 16 && Digits(t.substr(0, 4)) && t[4] == u'-' && Digits(t.substr(5, 2)) && t[7] == u'-' &&
         Digits(t.substr(8, 2)) && t[10] == u' ' && Digits(t.substr(11, 2)) && t[13] == u':' &&
         Digits(t.substr(14, 2));
}

// "Tambrel_O21/1": a name and a revision.
bool IsGeneration(std::u16string_view g) {
  const size_t slash = g.rfind(u'/');
  return slash != std::u16string_view::npos && slash > 0 && Digits(g.substr(slash + 1));
}

std::vector<std::u16string_view> Fields(std::u16string_view value) {
  std::vector<std::u16string_view> fields;
  for (size_t at; (at = value.find(kFieldSeparator)) != std::u16string_view::npos;) {
    fields.push_back(value.substr(0, at));
    value.remove_prefix(at + kFieldSeparator.size());
  }
  fields.push_back(value);
  return fields;
}

}  // namespace

std::optional<Recorded> ReadRecorded(std::u16string_view value) {
  if (value.size() == kFirstVersion.size() + 17 && value.starts_with(kFirstVersion) &&
      value[kFirstVersion.size()] == u' ' && IsMinute(value.substr(kFirstVersion.size() + 1))) {
    return Recorded{std::u16string(kFirstGeneration), std::u16string(kFirstVersion),
                    std::u16string(value.substr(kFirstVersion.size() + 1))};
  }
  const std::vector<std::u16string_view> f = Fields(value);
  if (f.size() < 3 || !IsGeneration(f[0]) || !f[1].starts_with(kProgram) || f[1].size() == kProgram.size() ||
      !IsMinute(f[2])) {
    return std::nullopt;
  }
  return Recorded{std::u16string(f[0]), std::u16string(f[1].substr(kProgram.size())), std::u16string(f[2])};
}

std::u16string RecordedText(const Recorded& r) {
  return Joined({r.generation, kFieldSeparator, kProgram, r.version, kFieldSeparator, r.when});
}

}  // namespace tbo
