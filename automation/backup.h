// Moving a user's file aside instead of deleting it, so it can be had back.
#pragma once

#include <string>
#include <string_view>

#include "automation/services.h"

namespace tbo {

// The n-th backup name beside path: "Normal.dotm" -> "Normal.dotm.backup-1".
// The name keeps no extension of its own, so the application never loads a
// backup and a search for "*.pcb" never finds one again.
std::u16string BackupName(std::u16string_view path, int n);

// Renames path to the first backup name not yet taken, never replacing an
// earlier backup; returns the new path. Throws when the move fails.
std::u16string MoveToBackup(FileSystem& files, std::u16string_view path);

// The same, asking again while another program still has the file open (an
// application that is shutting down), waiting between tries and yielding,
// for at most `most`; then the file is left as it is and the sharing
// violation thrown.
std::u16string MoveToBackupOnceFree(FileSystem& files, Clock& clock, EventPump& events, std::u16string_view path,
                                    std::chrono::milliseconds most);

}  // namespace tbo
