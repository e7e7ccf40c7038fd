// Cutting a record (UTF-8 text) into fields, by a delimited or a fixed-width layout. The
// import loops and both previews cut with these, so what the user sees is what the import
// stores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/record_reader.h"
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

  // Cuts `record` at every separator. A field whose first character is the text delimiter is
  // quoted: it runs to the next delimiter that is not doubled, holding separators and line
  // ends; a doubled delimiter in it stands for one; the enclosing delimiters are not part of
  // the value, and text after the closing one up to the separator is appended. A delimiter
  // inside a field that does not begin with one is an ordinary character. Two adjacent
  // separators give an empty field; nothing follows a final separator. `fields` receives one
  // view per field, into `record` or into this cutter, valid until the next Cut.
  void Cut(std::string_view record, std::vector<std::string_view>& fields);

  const QuoteRule& rule() const { return rule_; }

 private:
  void CutQuoted(std::string_view record, std::vector<std::string_view>& fields);

  QuoteRule rule_;
  std::string scratch_;
};

class FixedCutter {
 public:
  // `layout` must hold checked column ranges (MakeFixedLayout checks them).
  explicit FixedCutter(const FixedLayout& layout);

  // One field per column of the layout, each a view into `line`: its characters (counted as
  // code points, cut at the line's end), without blanks at either end; then without the
  // separator where it is the last character (and the blanks before it), and without the
  // delimiter where it ends or begins the field.
  void Cut(std::string_view line, std::vector<std::string_view>& fields) const;

 private:
  std::vector<ColumnRange> columns_;
  std::string separator_;  // UTF-8, empty for none
  std::string delimiter_;
};

}  // namespace vandrel
