// The files through which the stand-ins, the harness and the tests meet,
// all under C:\standins\ of the prefix:
//   journal.jsonl    one line per event, appended by every stand-in process
//   control.json     the scenario's faults, busy servers and hold
//   <app>.json       what an application keeps between its instances
//   hold.reached     created when a held member starts waiting
//   hold.release     created by the harness to let it go on
// Every read-modify-write happens under one named mutex, since Word and
// Excel instances run as separate processes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "automation/win32/handles.h"
#include "standins/json.h"

namespace tbo::standin {

std::wstring StoreFolder();  // C:\standins, created on first use
std::wstring StorePath(std::wstring_view leaf);

std::string Utf8(std::wstring_view s);
std::wstring FromUtf8(std::string_view s);
std::string Hex(long code);  // "0x800A03EC"

// Holds the store's mutex for its lifetime.
class StoreLock {
 public:
  StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;
  ~StoreLock();

 private:
  win::UniqueHandle mutex_;
};

// Whole-file reads and writes; a missing or unreadable file reads as "".
std::string ReadFileText(const std::wstring& path);
bool WriteFileText(const std::wstring& path, std::string_view text);
Json ReadJsonFile(const std::wstring& path);  // null when missing or malformed

// Appends one event line, compact; pid is added after app.
void Journal(std::string_view app, const Json& event);

}  // namespace tbo::standin
