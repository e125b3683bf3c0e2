// What the user has set up, kept for each user under
// %LOCALAPPDATA%\Tambrel\TBO Setup\: a file per application the program set
// up, named with its version ("Word 1.00.txt") and holding when. An
// unattended run skips what it names; management tools detect an
// installation by it.
#pragma once

#include <string>
#include <string_view>

namespace tbo::app {

class UserRecord {
 public:
  UserRecord();
  const std::u16string& folder() const { return folder_; }
  // The record of this application for this version.
  std::u16string PathOf(std::u16string_view application) const;
  bool Has(std::u16string_view application) const;
  // Records the application set up now, and forgets other versions' records.
  void Add(std::u16string_view application, std::u16string_view when);
  // Forgets the application, whatever version set it up; whether there was
  // anything to forget.
  bool Remove(std::u16string_view application);

 private:
  std::u16string folder_;
};

}  // namespace tbo::app
