// The user's record as files: one per application the program set up,
// named with its version ("Word 1.00.txt") and holding when, in the record's
// folder under the user's local application data.
#pragma once

#include "automation/user_record.h"

namespace tbo::win {

class FileUserRecord final : public UserRecord {
 public:
  // folder: as RecordFolderIn gives it; empty when the system named none.
  explicit FileUserRecord(std::u16string folder) : folder_(std::move(folder)) {}
  bool Has(std::u16string_view application) override;
  void Add(std::u16string_view application) override;
  bool Remove(std::u16string_view application) override;
  std::u16string Where(std::u16string_view application) override;

 private:
  void NeedsFolder() const;
  std::u16string folder_;
};

}  // namespace tbo::win
