#include "automation/backup.h"

namespace tbo {

std::u16string BackupName(std::u16string_view path, int n) {
  const size_t slash = path.rfind(u'\\');
  const size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos || dot <= nameStart) dot = path.size();
  std::u16string number;
  for (int k = n; k > 0; k /= 10) number.insert(number.begin(), static_cast<char16_t>(u'0' + k % 10));
  return std::u16string(path.substr(0, dot)) + u".backup-" + number + std::u16string(path.substr(dot));
}

std::u16string MoveToBackup(FileSystem& files, std::u16string_view path) {
  // Bounded, so a folder that refuses every name cannot keep us here.
  constexpr int kMostBackups = 1000;
  for (int n = 1; n <= kMostBackups; ++n) {
    std::u16string target = BackupName(path, n);
    try {
      files.Move(path, target);
      return target;
    } catch (const AutomationError& e) {
      if (e.number() != kAlreadyExists && e.number() != kFileExists) throw;
    }
  }
  Fail(kAlreadyExists);
}

}  // namespace tbo
