// Dates and times: ISO always, and day-first or month-first forms when the format says so;
// stored in ISO form.
#include <array>
#include <string>

#include "store/convert_support.h"
#include "util/ascii.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using ascii::TrimBlanks;

// Reads exactly `width` digits at s[pos].
bool Digits(std::string_view s, std::size_t pos, int width, int& value) {
  if (pos + static_cast<std::size_t>(width) > s.size()) return false;
  value = 0;
  for (int i = 0; i < width; ++i) {
    char c = s[pos + static_cast<std::size_t>(i)];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool IsCalendarDate(int y, int m, int d) {
  static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > kDays[static_cast<std::size_t>(m - 1)]) {
    return false;
  }
  return !(m == 2 && d == 29 && !IsLeapYear(y));
}

// YYYY-MM-DD at the start of s; the characters it takes, 0 when there is none.
std::size_t ParseIsoDate(std::string_view s, std::string& out) {
  int y, m, d;
  if (s.size() < 10 || !Digits(s, 0, 4, y) || s[4] != '-' || !Digits(s, 5, 2, m) || s[7] != '-' ||
      !Digits(s, 8, 2, d) || !IsCalendarDate(y, m, d)) {
    return 0;
  }
  out.append(s.substr(0, 10));
  return 10;
}

// One or two digits at s[i].
bool ShortNumber(std::string_view s, std::size_t& i, int& value) {
  value = 0;
  const std::size_t from = i;
  while (i < s.size() && i - from < 2 && IsDigit(s[i])) value = value * 10 + (s[i++] - '0');
  return i != from;
}

// Day, month and a four-digit year in `order` at the start of s, one or two digits for the
// day and the month, separated twice by the same '/', '-' or '.'. Appends it as YYYY-MM-DD;
// the characters it takes, 0 when there is none.
std::size_t ParseOrderedDate(std::string_view s, DateOrder order, std::string& out) {
  std::size_t i = 0;
  int first, second, y;
  if (!ShortNumber(s, i, first) || i >= s.size()) return 0;
  const char separator = s[i];
  if (separator != '/' && separator != '-' && separator != '.') return 0;
  ++i;
  if (!ShortNumber(s, i, second) || i >= s.size() || s[i] != separator) return 0;
  ++i;
  if (!Digits(s, i, 4, y)) return 0;
  i += 4;
  if (i < s.size() && IsDigit(s[i])) return 0;  // not a year of four digits
  const int d = order == DateOrder::MDY ? second : first;
  const int m = order == DateOrder::MDY ? first : second;
  if (!IsCalendarDate(y, m, d)) return 0;
  const char iso[] = {static_cast<char>('0' + y / 1000),
                      static_cast<char>('0' + y / 100 % 10),
                      static_cast<char>('0' + y / 10 % 10),
                      static_cast<char>('0' + y % 10),
                      '-',
                      static_cast<char>('0' + m / 10),
                      static_cast<char>('0' + m % 10),
                      '-',
                      static_cast<char>('0' + d / 10),
                      static_cast<char>('0' + d % 10)};
  out.append(iso, sizeof iso);
  return i;
}

// A date at the start of s as `order` allows: ISO always, the ordered form besides unless the
// order is YMD.
std::size_t ParseDate(std::string_view s, DateOrder order, std::string& out) {
  if (const std::size_t n = ParseIsoDate(s, out)) return n;
  return order == DateOrder::YMD ? 0 : ParseOrderedDate(s, order, out);
}

// HH:MM[:SS[.fraction]] making up all of s.
bool ParseTime(std::string_view s, std::string& out) {
  int h, mi, sec = 0;
  if (s.size() < 5 || !Digits(s, 0, 2, h) || s[2] != ':' || !Digits(s, 3, 2, mi)) return false;
  std::size_t end = 5;
  std::string_view fraction;
  if (s.size() > 5) {
    if (s[5] != ':' || !Digits(s, 6, 2, sec)) return false;
    end = 8;
    if (s.size() > 8) {
      if (s[8] != '.' || s.size() == 9) return false;
      for (std::size_t i = 9; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
      }
      fraction = s.substr(8);
      end = s.size();
    }
  }
  if (end != s.size() || h > 23 || mi > 59 || sec > 59) return false;
  out.append(s.substr(0, 5));
  out += ':';
  out += static_cast<char>('0' + sec / 10);
  out += static_cast<char>('0' + sec % 10);
  out.append(fraction);
  return true;
}

// What a date column expects, for the message of a refused value.
std::string ExpectedDate(DateOrder order, bool withTime) {
  std::string expected = withTime ? "not a date and time of the form YYYY-MM-DD[ HH:MM[:SS]]"
                                  : "not a date of the form YYYY-MM-DD";
  if (order == DateOrder::YMD) return expected;
  expected += order == DateOrder::DMY ? " or DD/MM/YYYY" : " or MM/DD/YYYY";
  if (withTime) expected += "[ HH:MM[:SS]]";
  expected += " ('/', '-' or '.' between day, month and a four-digit year)";
  return expected;
}

}  // namespace

void ConvertTemporal(const ColumnType& type, const ValueFormat& format, std::string_view column,
                     std::string_view text, Value& out) {
  std::string_view s = TrimBlanks(text);
  out.type = Value::Type::Text;
  out.text.clear();
  bool ok = false;
  switch (type.kind) {
    case ColumnKind::Date: {
      const std::size_t n = ParseDate(s, format.dateOrder, out.text);
      ok = n != 0 && n == s.size();
      if (!ok)
        Refuse(kErrTypeConversion, column, type, text, ExpectedDate(format.dateOrder, false));
      break;
    }
    case ColumnKind::Time:
      ok = ParseTime(s, out.text);
      if (!ok) Refuse(kErrTypeConversion, column, type, text, "not a time of the form HH:MM[:SS]");
      break;
    default: {  // DateTime: a date alone means midnight
      if (const std::size_t n = ParseDate(s, format.dateOrder, out.text)) {
        if (s.size() == n) {
          out.text += " 00:00:00";
          ok = true;
        } else if (s[n] == ' ' || s[n] == 'T') {
          out.text += ' ';
          ok = ParseTime(s.substr(n + 1), out.text);
        }
      }
      if (!ok) Refuse(kErrTypeConversion, column, type, text, ExpectedDate(format.dateOrder, true));
      break;
    }
  }
}

}  // namespace vandrel::store
