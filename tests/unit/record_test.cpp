// What a value of the user's record says: the form written now, the form
// version 1.00 wrote, and what cannot be read (its application is set up
// again).
#include "installers/record.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordValue, WhatAValueSays) {
  struct Row {
    const char* name;
    std::u16string_view value;
    std::optional<tbo::Recorded> read;
  };
  using R = tbo::Recorded;
  const Row rows[] = {
      {"today's form", u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46", R{u"Tambrel_O21/1", u"1.00", u"2026-12-07 14:46"}},
      {"the form 1.00 wrote", u"1.00 2026-12-07 14:46", R{u"Tambrel_O21/1", u"1.00", u"2026-12-07 14:46"}},
      {"a later version's, with a field of its own", u"Tambrel_O21/2; TBO Setup 1.05; 2027-03-01 09:15; per machine",
       R{u"Tambrel_O21/2", u"1.05", u"2027-03-01 09:15"}},
      {"another add-in's generation", u"Tambrel_O22/1; TBO Setup 2.00; 2028-01-01 00:00",
       R{u"Tambrel_O22/1", u"2.00", u"2028-01-01 00:00"}},
      {"empty", u"", std::nullopt},
      {"a word", u"yes", std::nullopt},
      {"a version alone", u"1.00", std::nullopt},
      {"the old form of a version that never wrote it", u"1.01 2026-12-07 14:46", std::nullopt},
      {"the old form cut short", u"1.00 2026-12-07", std::nullopt},
      {"the old form with more after it", u"1.00 2026-12-07 14:46 x", std::nullopt},
      {"no revision", u"Tambrel_O21; TBO Setup 1.00; 2026-12-07 14:46", std::nullopt},
      {"a revision that is no number", u"Tambrel_O21/b; TBO Setup 1.00; 2026-12-07 14:46", std::nullopt},
      {"no program", u"Tambrel_O21/1; 1.00; 2026-12-07 14:46", std::nullopt},
      {"no version", u"Tambrel_O21/1; TBO Setup ; 2026-12-07 14:46", std::nullopt},
      {"no time", u"Tambrel_O21/1; TBO Setup 1.00", std::nullopt},
      {"a time that is no time", u"Tambrel_O21/1; TBO Setup 1.00; yesterday noon", std::nullopt},
      {"other separators", u"Tambrel_O21/1;TBO Setup 1.00;2026-12-07 14:46", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<tbo::Recorded> read = tbo::ReadRecorded(row.value);
    ASSERT_EQ(read.has_value(), row.read.has_value());
    if (!read) continue;
    EXPECT_EQ(read->generation, row.read->generation);
    EXPECT_EQ(read->version, row.read->version);
    EXPECT_EQ(read->when, row.read->when);
  }
  EXPECT_EQ(tbo::RecordedText({u"Tambrel_O21/1", u"1.00", u"2026-12-07 14:46"}),
            u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46");
}

}  // namespace
