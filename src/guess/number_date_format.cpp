// How the file writes numbers and dates, by the rules of DecimalSeparator and DateOrder: a
// value that reads under one setting only is evidence for it; a value that reads under both,
// or none at all, leaves the choice to the host.
#include "guess/guess_phases.h"
#include "guess/value_reading.h"
#include "util/ascii.h"

namespace vandrel::guess {
namespace {

using store::DateOrder;
using store::ValueFormat;

struct Evidence {
  bool comma = false;        // a number that only ',' as decimal separator reads
  bool dot = false;          // one that only '.' reads
  std::size_t dayFirst = 0;  // dates that only DMY reads
  std::size_t monthFirst = 0;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Digits grouped in threes by '.' alone ("1.250", "12.345.678"), which ',' as decimal
// separator reads as a whole number.
bool GroupedByDots(std::string_view s) {
  std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  const std::size_t lead = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i == lead || i - lead > 3 || s[lead] == '0' || i == s.size()) return false;
  while (i < s.size()) {
    if (s[i] != '.' || i + 4 > s.size()) return false;
    for (std::size_t k = i + 1; k < i + 4; ++k) {
      if (!IsDigit(s[k])) return false;
    }
    i += 4;
  }
  return true;
}

void NoteNumber(std::string_view s, Evidence& e) {
  const ValueFormat dot{'.', DateOrder::YMD};
  const ValueFormat comma{',', DateOrder::YMD};
  if (s.find(',') != std::string_view::npos) {
    e.comma = e.comma || KindsOf(s, comma, kNumber);  // '.' reads no ','
  } else if (s.find('.') != std::string_view::npos) {
    if (!KindsOf(s, dot, kNumber)) return;
    // "1.250" reads as 1.25 with '.' and as 1250 with ',': no evidence either way.
    if (!GroupedByDots(s)) e.dot = true;
  } else if (s.find(' ') != std::string_view::npos || s.find('\xC2') != std::string_view::npos) {
    e.comma = e.comma || KindsOf(s, comma, kNumber);  // digits grouped by blanks
  }
}

// The first two parts of a day-month date: which order reads it follows from them, so one
// conversion checks it is a date at all.
void NoteDate(std::string_view s, Evidence& e) {
  int parts[2] = {0, 0};
  std::size_t i = 0;
  for (int& part : parts) {
    const std::size_t from = i;
    while (i < s.size() && IsDigit(s[i]) && i - from < 3) part = part * 10 + (s[i++] - '0');
    if (i == from || i - from > 2 || i >= s.size() || IsDigit(s[i])) return;  // ISO, or none
    ++i;
  }
  const DateOrder order = parts[0] > 12 ? DateOrder::DMY : DateOrder::MDY;
  if (!KindsOf(s, {'.', order}, kDateTime)) return;
  // 05/06/2024 reads either way: no evidence.
  if (parts[0] > 12) {
    ++e.dayFirst;
  } else if (parts[1] > 12) {
    ++e.monthFirst;
  }
}

}  // namespace

ValueFormat GuessValueFormat(const Table& table, std::size_t firstData, const ValueFormat& host) {
  Evidence e;
  for (std::size_t r = firstData; r < table.rows.size(); ++r) {
    for (const std::string& field : table.rows[r].fields) {
      const std::string_view s = ascii::TrimBlanks(field);
      if (!e.dot && LooksLikeNumber(s)) NoteNumber(s, e);
      if (LooksLikeDate(s)) NoteDate(s, e);
    }
  }
  ValueFormat format = host;
  if (e.dot || e.comma) format.decimalSeparator = e.dot ? '.' : ',';
  if (e.dayFirst != e.monthFirst) {
    format.dateOrder = e.dayFirst > e.monthFirst ? DateOrder::DMY : DateOrder::MDY;
  }
  return format;
}

}  // namespace vandrel::guess
