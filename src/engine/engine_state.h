// The engine's working values, shared by the wizard and the import loops: the fields of the
// line being stored, the line counter, the outcome flag, and the layout that stage 2 of the
// wizard hands over before an interactive import.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

struct EngineState {
  // The fields of the current line (single-byte text as read), one per InfoField row: views
  // into the line, valid while that line is being stored.
  std::vector<std::string_view> LineFields;
  std::size_t FieldIndex = 0;
  // Lines handed to the record writer in this import (dropped lines are not counted).
  std::int64_t RecordNumber = 0;
  // True at the start of every import; false once a wizard loop stops on an error or an
  // error row could not be stored. It is never set back to true during the same import, so a
  // lost error row cannot be hidden by a later good line.
  bool ImportOK = false;

  // Delimited layout from stage 2: separator code (-1 none), text delimiter as shown (UTF-8),
  // lines to skip.
  int SepCodeD = -1;
  std::string TextDelimD;
  std::int64_t SkipLinesD = 0;

  // Fixed-width layout from stage 2: the separator and text delimiter as shown (UTF-8), lines
  // to skip, and 1-based inclusive column limits per field (a 0 begin ends the list).
  std::string SepTextF;
  std::string TextDelimF;
  std::int64_t SkipLinesF = 0;
  std::array<std::int16_t, 31> StartColF{};
  std::array<std::int16_t, 31> EndColF{};
};

EngineState& engine();

}  // namespace vandrel
