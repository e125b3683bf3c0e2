// What the user's record says of an application: the press generation that
// set it up, the program version that wrote it, and when. A press sets up
// the add-in's generation, not the program's version, so a newer program
// that presses the same way leaves set-up users alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tbo {

struct Recorded {
  std::u16string generation;  // "Tambrel_O21/1"
  std::u16string version;     // "1.00"
  std::u16string when;        // "2026-12-07 14:46", local time
};

// The value "Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46" (fields a
// later version adds after these are passed over), or the form version 1.00
// wrote, "1.00 2026-12-07 14:46", which set up Tambrel_O21/1. Nothing for a
// value that cannot be read: its application is set up again.
std::optional<Recorded> ReadRecorded(std::u16string_view value);

// The value that records a press.
std::u16string RecordedText(const Recorded& recorded);

}  // namespace tbo
