// What the user has set up, kept for each user where it roams with them:
// an unattended run leaves alone what it names, and management tools detect
// an installation by its one value, Version.
#pragma once

#include <string>
#include <string_view>

#include "automation/errors.h"

namespace tbo {

class UserRecord {
 public:
  virtual ~UserRecord() = default;
  // Whether this version set the application up for this user; a record
  // that cannot be read counts as none, so the application is set up again.
  virtual bool Has(std::u16string_view application) = 0;
  // Records the application set up now. Throws, with the system's reason,
  // when the record does not read back.
  virtual void Add(std::u16string_view application) = 0;
  // Forgets the application, whatever version set it up; whether there was
  // anything to forget. Throws when a record stays.
  virtual bool Remove(std::u16string_view application) = 0;
  // Records this version as set up as a whole (every application asked
  // for), or forgets that; both believed once read back.
  virtual void Complete() = 0;
  virtual void Incomplete() = 0;
  // Where it is kept, for the log: "HKCU\Software\Tambrel\TBO Setup".
  virtual std::u16string Where() = 0;
};

}  // namespace tbo
