// What the user has set up, kept for each user where it roams with them: a
// value per application that an unattended run leaves alone while it names
// what this program sets up, and Version, the one value management tools
// detect an installation by. What the values say is the installers'
// (installers/record.h); this is only where they are kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "automation/errors.h"

namespace tbo {

class UserRecord {
 public:
  virtual ~UserRecord() = default;
  // The value, or nothing when there is none. Throws when the record cannot
  // be read.
  virtual std::optional<std::u16string> Read(std::u16string_view name) = 0;
  // Believed once it reads back as written; throws with the system's reason
  // when it does not.
  virtual void Write(std::u16string_view name, std::u16string_view value) = 0;
  // Whether there was a value to remove; throws when it stays.
  virtual bool Remove(std::u16string_view name) = 0;
  // Where it is kept, for the log: "HKCU\Software\Tambrel\TBO Setup".
  virtual std::u16string Where() = 0;
  // The local time to the minute, as the record keeps it: "2026-12-07 14:46".
  virtual std::u16string Now() = 0;
};

}  // namespace tbo
