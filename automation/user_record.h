// What the user has set up, kept for each user: an unattended run leaves
// alone what it names, and management tools detect an installation by it.
#pragma once

#include <string>
#include <string_view>

#include "automation/errors.h"
#include "automation/text.h"

namespace tbo {

class UserRecord {
 public:
  virtual ~UserRecord() = default;
  // Whether this version set the application up for this user; a record
  // that cannot be read counts as none, so the application is set up again.
  virtual bool Has(std::u16string_view application) = 0;
  // Records the application set up now, and forgets other versions' records.
  // Throws, with the system's reason, when the record is not there after.
  virtual void Add(std::u16string_view application) = 0;
  // Forgets the application, whatever version set it up; whether there was
  // anything to forget. Throws when a record stays.
  virtual bool Remove(std::u16string_view application) = 0;
  // Where the application's record is kept, for the log.
  virtual std::u16string Where(std::u16string_view application) = 0;
};

// The record's folder inside the user's local application data folder as
// the system names it; empty when that is no absolute folder: an unset or
// relative one would be shared by every user, or follow the current folder.
inline std::u16string RecordFolderIn(std::u16string_view localAppData) {
  if (!IsAbsoluteFolder(localAppData)) return {};
  std::u16string folder(localAppData);
  if (folder.back() != u'\\') folder += u'\\';
  return folder + u"Tambrel\\TBO Setup";
}

}  // namespace tbo
