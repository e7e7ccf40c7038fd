// Cutting a line into fields, by a delimited or a fixed-width layout. The import loops and
// both previews cut with these, so what the user sees is what the import stores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/layout.h"

namespace vandrel {

// The character a layout text stands for: the tab or blank for their tokens, none for the
// "{NONE}" token (of any language), else its first character. An empty text, or a character
// a single-byte text file cannot hold, throws vandrel::Error 5 naming `what`.
std::optional<char32_t> LayoutCharacter(std::string_view text, const char* what);

// Whether `text` is the no-delimiter token of any language.
bool IsNoneToken(std::string_view text);

class DelimitedCutter {
 public:
  explicit DelimitedCutter(const DelimitedLayout& layout);

  // Cuts `line` (single-byte text): the text delimiter is removed wherever it stands, then
  // the line is split at every separator. Two adjacent separators give an empty field;
  // nothing follows a final separator. `fields` receives one view per field, into `line` or
  // into this cutter, valid until the next Cut.
  void Cut(std::string_view line, std::vector<std::string_view>& fields);

 private:
  char separator_;
  char delimiter_;  // NUL when the layout has none: a NUL byte holds no text either
  std::string scratch_;
};

class FixedCutter {
 public:
  // `layout` must hold checked column ranges (MakeFixedLayout checks them).
  explicit FixedCutter(const FixedLayout& layout);

  // One field per column of the layout, each a view into `line`: its columns (cut at the
  // line's end), without blanks at either end; then without the separator where it is the
  // last character (and the blanks before it), and without the delimiter where it ends or
  // begins the field.
  void Cut(std::string_view line, std::vector<std::string_view>& fields) const;

 private:
  std::vector<ColumnRange> columns_;
  int separator_;  // the byte, -1 for none
  int delimiter_;
};

}  // namespace vandrel
