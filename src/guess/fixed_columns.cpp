// The columns of a fixed-width file, from the character columns that are blank on every line
// of its table. Columns count characters (code points), as BEGIN and END do.
#include <algorithm>

#include "guess/guess_phases.h"
#include "text/encoding.h"

namespace vandrel::guess {
namespace {

// The table's lines are of (nearly) one length when this share of them reach into the last
// field (a free text there, as in the listings of ps or df, varies the length) or three
// quarters of the longest (writers that trim trailing blanks shorten a line whose last fields
// are empty).
constexpr double kOneLength = 0.9;

// Marks the columns (0-based) where `text` holds something other than a blank.
void MarkUsed(std::string_view text, std::vector<bool>& used) {
  std::size_t column = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // inside a character
    if (c != ' ') {
      if (column >= used.size()) used.resize(column + 1, false);
      used[column] = true;
    }
    ++column;
  }
}

// Where each field begins (1-based): at column 1, and after each run of blank columns that
// ends a field (one with something before it).
std::vector<int> FieldBegins(const std::vector<bool>& used) {
  std::vector<int> begins{1};
  bool seen = false;
  for (std::size_t c = 0; c < used.size(); ++c) {
    if (used[c] && seen && !used[c - 1]) begins.push_back(static_cast<int>(c) + 1);
    seen = seen || used[c];
  }
  return begins;
}

// The part of `column` from the first to the last used character column.
ColumnRange FilledPart(const std::vector<bool>& used, ColumnRange column) {
  auto isUsed = [&](int c) { return static_cast<std::size_t>(c - 1) < used.size() && used[c - 1]; };
  ColumnRange part = column;
  while (part.begin < part.end && !isUsed(part.begin)) ++part.begin;
  while (part.end > part.begin && !isUsed(part.end)) --part.end;
  return part;
}

}  // namespace

FixedColumns GuessFixedColumns(const Sample& sample) {
  std::vector<std::string_view> lines;  // the lines that hold data
  for (std::size_t i = 0; i < std::min(sample.lines.size(), kSampleRecords); ++i) {
    const std::string_view text = sample.lines[i].text;
    if (!HoldsNoData(text) && !IsRuleLine(text)) lines.push_back(text);  // a rule crosses fields
  }
  FixedColumns fixed;
  if (lines.empty()) {
    fixed.columns = fixed.filled = {{1, 1}};
    return fixed;
  }
  // The runs of the lines below the first few (at most half of them) settle the fields; going
  // up from there, each line joins the table until one would change them (a header, a title).
  std::size_t start = std::min(kMostLinesAbove, (lines.size() - 1) / 2);
  std::vector<bool> used;
  for (std::size_t k = start; k < lines.size(); ++k) MarkUsed(lines[k], used);
  const std::vector<int> begins = FieldBegins(used);
  for (; start > 0; --start) {
    std::vector<bool> trial = used;
    MarkUsed(lines[start - 1], trial);
    if (FieldBegins(trial) != begins) break;
    used = std::move(trial);
  }
  std::size_t longest = 0, longestData = 0, reaching = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    longest = std::max(longest, CountCharacters(lines[k]));
    if (k >= start) longestData = std::max(longestData, CountCharacters(lines[k]));
  }
  const auto lastField = static_cast<std::size_t>(begins.back());
  for (std::size_t k = start; k < lines.size(); ++k) {
    const std::size_t length = CountCharacters(lines[k]);
    reaching += length >= lastField || length >= longestData - longestData / 4;
  }
  for (std::size_t j = 0; j < begins.size(); ++j) {
    const int end = j + 1 < begins.size() ? begins[j + 1] - 1 : static_cast<int>(longest);
    fixed.columns.push_back({begins[j], end});
    fixed.filled.push_back(FilledPart(used, fixed.columns.back()));
  }
  fixed.oneLength =
      static_cast<double>(reaching) >= kOneLength * static_cast<double>(lines.size() - start);
  return fixed;
}

}  // namespace vandrel::guess
