#include "automation/backup.h"

#include "automation/retry.h"
#include "automation/text.h"

namespace tbo {

std::u16string BackupName(std::u16string_view path, int n) {
  return std::u16string(path) + u".backup-" + Decimal(n);
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

std::u16string MoveToBackupOnceFree(FileSystem& files, Clock& clock, EventPump& events, std::u16string_view path,
                                    std::chrono::milliseconds most) {
  std::u16string moved;
  const ErrorNumber answer = AskAgain(
      clock, events, {most, std::chrono::milliseconds(100)},
      [&] { return ErrorOf([&] { moved = MoveToBackup(files, path); }); },
      [](ErrorNumber e) { return e == kSharingViolation; });
  if (answer != kNoError) Fail(answer);
  return moved;
}

}  // namespace tbo
