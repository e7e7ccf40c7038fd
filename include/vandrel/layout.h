// Text layouts as values: how the lines of a delimited or a fixed-width file are cut into
// fields. A layout is built once, from a saved record or from the texts of the wizard's
// stage-2 boxes, and handed to the import and to the previews, which cut by it alike.
//
// Separator and delimiter texts are what the user sees: one character, or a token of the
// catalogue ("{TAB}", "{SPACE}", "{NONE}"), recognised in every language.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "vandrel/spec_files.h"

namespace vandrel {

struct DelimitedLayout {
  char32_t separator = U';';          // the character between two fields
  std::optional<char32_t> delimiter;  // the text delimiter, or none
  std::int64_t skipLines = 0;         // lines left out at the start of the file
};

// One field's columns in a fixed-width line: 1-based, both inclusive.
struct ColumnRange {
  int begin = 0;
  int end = 0;
};

struct FixedLayout {
  std::vector<ColumnRange> columns;   // one per field, in field order
  std::optional<char32_t> separator;  // removed where it ends a field, or none
  std::optional<char32_t> delimiter;  // removed where it begins or ends a field, or none
  std::int64_t skipLines = 0;
};

// A layout of either kind, as an import or a preview takes it.
using TextLayout = std::variant<DelimitedLayout, FixedLayout>;

// Layouts from the texts shown to the user. A text that names no character (empty), a
// separator "{NONE}" in a delimited layout, a character a single-byte text file cannot hold,
// or a column range that is not 1 <= begin <= end throws vandrel::Error 5 naming it.
DelimitedLayout MakeDelimitedLayout(std::string_view separator, std::string_view delimiter,
                                    std::int64_t skipLines);
FixedLayout MakeFixedLayout(std::string_view separator, std::string_view delimiter,
                            std::int64_t skipLines, std::vector<ColumnRange> columns);

// Layouts from saved records; a column limit that is not a number throws Error 13.
DelimitedLayout LayoutFrom(const specs::DelimitedSpecRecord& record);
FixedLayout LayoutFrom(const specs::FixedSpecRecord& record);

}  // namespace vandrel
