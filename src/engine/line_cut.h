// Cutting a line into fields: at a separator character (delimited text) or at column limits
// (fixed-width text). Layout settings name their characters as shown to the user: one
// character, or one of the catalogue's tokens ("{TAB}", "{SPACE}", "{NONE}"), recognised in
// every language, whatever the current one is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

// The character code a layout text (UTF-8) stands for: 9 for the tab token, 32 for the space
// token, `noneCode` for the no-delimiter token, else the Windows-1252 byte of its first
// character. An empty text, or a character that code page cannot hold, throws
// vandrel::Error 5 naming `what`.
int CharacterCode(std::string_view text, int noneCode, const char* what);

// Whether `text` is the no-delimiter token of any language.
bool IsNoneToken(std::string_view text);

// Cuts `line` at every byte equal to `sepCode`: the text between two separators is the next
// field (two adjacent separators give an empty one; nothing after a final separator), a view
// into `line`. Every element of `fields` is emptied first. Returns 0 when the line fits, else the
// number of fields the line has (more than `fields` holds).
std::size_t CutDelimited(std::string_view line, int sepCode, std::vector<std::string_view>& fields);

// Columns `begin` to `end` (1-based, inclusive) of `line`, cut at its end, with blanks removed
// at both ends; then the separator `sepCode` removed when it is the last character (and the
// blanks before it), and the text delimiter `delimCode` removed from the end and from the
// start where it stands there (each -1 for none).
std::string_view CutFixedField(std::string_view line, int begin, int end, int sepCode,
                               int delimCode);

// One field's column limits of a fixed-width layout.
struct ColumnRange {
  int begin;
  int end;
};

// Throws vandrel::Error 5 unless 1 <= begin <= end for every range.
void CheckColumnRanges(const std::vector<ColumnRange>& ranges);

}  // namespace vandrel
