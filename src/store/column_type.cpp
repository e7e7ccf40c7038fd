#include "store/column_type.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "util/ascii.h"
#include "util/quote.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using ascii::TrimBlanks;
using ascii::Upper;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// "VARCHAR ( 20 )" -> name "VARCHAR", arguments 20 and -1.
struct DeclaredParts {
  std::string name;
  int arg1 = -1;
  int arg2 = -1;
};

int ParseSmallNumber(std::string_view s) {
  s = TrimBlanks(s);
  int value = -1;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || p != s.data() + s.size()) return -1;
  return value;
}

DeclaredParts SplitDeclared(std::string_view declared) {
  DeclaredParts parts;
  std::string_view name = declared;
  if (auto open = declared.find('('); open != std::string_view::npos) {
    name = declared.substr(0, open);
    std::string_view args = declared.substr(open + 1);
    if (auto close = args.find(')'); close != std::string_view::npos) args = args.substr(0, close);
    if (auto comma = args.find(','); comma != std::string_view::npos) {
      parts.arg1 = ParseSmallNumber(args.substr(0, comma));
      parts.arg2 = ParseSmallNumber(args.substr(comma + 1));
    } else {
      parts.arg1 = ParseSmallNumber(args);
    }
  }
  // Fold runs of blanks so "DOUBLE   PRECISION" reads as one name.
  std::string upper = Upper(TrimBlanks(name));
  for (char c : upper) {
    if (IsBlank(c)) {
      if (!parts.name.empty() && parts.name.back() != ' ') parts.name += ' ';
    } else {
      parts.name += c;
    }
  }
  return parts;
}

ColumnType IntegerType(std::int64_t min, std::int64_t max) {
  ColumnType t;
  t.kind = ColumnKind::Integer;
  t.min = min;
  t.max = max;
  return t;
}

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

bool Contains(const std::string& s, const char* what) {
  return s.find(what) != std::string::npos;
}

[[noreturn]] void Refuse(std::int32_t number, std::string_view column, const ColumnType& type,
                         std::string_view text, std::string_view why) {
  std::string message = "The value '";
  message += Quoted(text);
  message += "' cannot be stored in the column '";
  message.append(column);
  message += "'";
  if (!type.declared.empty()) {
    message += " (";
    message += type.declared;
    message += ")";
  }
  message += ": ";
  message.append(why);
  message += ".";
  throw Error(number, message, kStoreSource);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// What reading a number found out about it.
struct NumberScan {
  bool integral = true;  // no fraction, no exponent
  bool exponent = false;
  int intDigits = 0;  // digits before the point, leading zeros not counted
  int fracDigits = 0;
};

// An optional exponent at s[i]: 'e' or 'E', an optional sign and at least one digit. Copied to
// `plain` when one is given.
bool ScanExponent(std::string_view s, std::size_t& i, NumberScan& scan, std::string* plain) {
  if (i >= s.size() || (s[i] != 'e' && s[i] != 'E')) return true;
  scan.integral = false;
  scan.exponent = true;
  const std::size_t from = i;
  ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t digits = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (plain) plain->append(s.substr(from, i - from));
  return i != digits;
}

// The length of a thousands separator at s[i]: '.', a blank or a UTF-8 no-break space; 0 when
// there is none.
std::size_t GroupSeparatorAt(std::string_view s, std::size_t i) {
  if (s[i] == '.' || s[i] == ' ') return 1;
  if (s[i] == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') return 2;
  return 0;
}

// A number with ',' as decimal separator: an optional sign, digits that may be grouped in
// threes by one kind of thousands separator (the first group of one to three digits, not
// starting with 0), an optional ',' and fraction, an optional exponent. Writes it in plain
// form ('.' as point, no separators, no '+') to `plain`, ready for from_chars.
bool ScanGroupedNumber(std::string_view s, NumberScan& scan, std::string& plain) {
  plain.clear();
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') plain += '-';
    ++i;
  }
  const std::size_t start = i;
  int before = 0, group = 0;
  bool leading = true;
  std::string_view separator;  // the kind in use, once one is seen
  while (i < s.size()) {
    if (IsDigit(s[i])) {
      if (!(leading && s[i] == '0')) {
        leading = false;
        ++scan.intDigits;
      }
      plain += s[i];
      ++before;
      ++group;
      ++i;
      continue;
    }
    const std::size_t length = GroupSeparatorAt(s, i);
    if (length == 0) break;
    const std::string_view here = s.substr(i, length);
    if (separator.empty()) {
      if (group < 1 || group > 3 || s[start] == '0') return false;
      separator = here;
    } else if (group != 3 || here != separator) {
      return false;
    }
    group = 0;
    i += length;
  }
  if (!separator.empty() && group != 3) return false;
  int after = 0;
  scan.integral = true;
  if (i < s.size() && s[i] == ',') {
    scan.integral = false;
    plain += '.';
    ++i;
    while (i < s.size() && IsDigit(s[i])) {
      plain += s[i];
      ++after;
      ++i;
    }
  }
  scan.fracDigits = after;
  if (before + after == 0) return false;
  return ScanExponent(s, i, scan, &plain) && i == s.size();
}

constexpr const char* kGroupsHint =
    " ('.', a blank or a no-break space may separate groups of three digits)";

void ConvertInteger(const ColumnType& type, const ValueFormat& format, std::string_view column,
                    std::string_view text, Value& out) {
  std::string_view s = TrimBlanks(text);
  std::string_view digits = s;
  if (format.decimalSeparator == ',') {
    // Thousands separators are dropped into the value's own text buffer, unused by integers.
    NumberScan scan;
    if (!ScanGroupedNumber(s, scan, out.text) || !scan.integral) {
      Refuse(kErrTypeConversion, column, type, text,
             std::string("not a whole number") + kGroupsHint);
    }
    digits = out.text;
  } else if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
  }
  std::int64_t value = 0;
  auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || (digits.front() == '-' && s.front() == '+') ||
      p != digits.data() + digits.size() ||
      (ec != std::errc() && ec != std::errc::result_out_of_range)) {
    Refuse(kErrTypeConversion, column, type, text, "not a whole number");
  }
  if (ec == std::errc::result_out_of_range || value < type.min || value > type.max) {
    Refuse(kErrTypeConversion, column, type, text,
           "out of range (" + std::to_string(type.min) + " to " + std::to_string(type.max) + ")");
  }
  out.type = Value::Type::Integer;
  out.integer = value;
}

// Digits with one optional '.' and an optional exponent; no locale, no thousands separators,
// no infinities.
bool IsPlainNumber(std::string_view s, NumberScan& scan) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  int before = 0, after = 0;
  bool leading = true;
  while (i < s.size() && IsDigit(s[i])) {
    if (!(leading && s[i] == '0')) {
      leading = false;
      ++scan.intDigits;
    }
    ++before;
    ++i;
  }
  scan.integral = true;
  if (i < s.size() && s[i] == '.') {
    scan.integral = false;
    ++i;
    while (i < s.size() && IsDigit(s[i])) {
      ++after;
      ++i;
    }
  }
  scan.fracDigits = after;
  if (before + after == 0) return false;
  return ScanExponent(s, i, scan, nullptr) && i == s.size();
}

double PowerOfTen(int n) {
  static const auto kPowers = [] {
    std::array<double, 64> p{};
    double v = 1;
    for (double& x : p) {
      x = v;
      v *= 10;
    }
    return p;
  }();
  return n >= 0 && n < static_cast<int>(kPowers.size()) ? kPowers[static_cast<std::size_t>(n)]
                                                        : std::pow(10.0, n);
}

void ConvertNumber(const ColumnType& type, const ValueFormat& format, std::string_view column,
                   std::string_view text, Value& out) {
  std::string_view s = TrimBlanks(text);
  NumberScan scan;
  std::string_view body = s;
  if (format.decimalSeparator == ',') {
    // The plain form goes into the value's own text buffer, which numbers do not use.
    if (!ScanGroupedNumber(s, scan, out.text)) {
      Refuse(kErrTypeConversion, column, type, text,
             std::string("not a number with ',' as decimal separator") + kGroupsHint);
    }
    body = out.text;
  } else {
    if (!IsPlainNumber(s, scan)) Refuse(kErrTypeConversion, column, type, text, "not a number");
    if (!body.empty() && body.front() == '+') body.remove_prefix(1);
  }
  const int intDigits = scan.intDigits;
  const int fracDigits = scan.fracDigits;
  if (type.kind == ColumnKind::Decimal && scan.integral) {
    // Whole numbers stay exact in a DECIMAL/NUMERIC column, as SQLite's own numeric affinity
    // would keep them.
    std::int64_t value = 0;
    auto [p, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec == std::errc() && p == body.data() + body.size() &&
        (type.precision < 0 || intDigits <= type.precision - std::max(type.scale, 0))) {
      out.type = Value::Type::Integer;
      out.integer = value;
      return;
    }
  }
  double value = 0;
  auto [p, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec != std::errc() || p != body.data() + body.size() || !std::isfinite(value)) {
    Refuse(kErrTypeConversion, column, type, text, "out of range");
  }
  if (type.kind == ColumnKind::Decimal && type.precision > 0) {
    const int scale = std::max(type.scale, 0);
    // Only a value with more decimals than the column keeps needs rounding.
    if (value != 0 && (fracDigits > scale || scan.exponent)) {
      // Rounding goes through value × 10^scale, which a double cannot hold for a scale of
      // hundreds of decimals: the value would turn into NaN, and SQLite stores NaN as NULL.
      const double factor = PowerOfTen(scale);
      const double scaled = value * factor;
      if (!std::isfinite(scaled)) {
        Refuse(kErrTypeConversion, column, type, text,
               "it cannot be rounded to the column's " + std::to_string(scale) +
                   " decimals, more than a floating-point number can hold");
      }
      const double rounded = std::round(scaled) / factor;
      if (rounded != value) value = rounded;
    }
    if (std::fabs(value) >= PowerOfTen(type.precision - scale)) {
      Refuse(kErrTypeConversion, column, type, text,
             "more than " + std::to_string(type.precision - scale) + " digits before the point");
    }
  }
  out.type = Value::Type::Real;
  out.real = value;
}

// The words a Boolean column takes, in lower case (UTF-8), in the five languages.
constexpr std::array<std::string_view, 13> kTrueWords{
    "1",   "-1",   "true", "yes",  "s\xC3\xAC", "si",       "vero",
    "oui", "vrai", "ja",   "wahr", "s\xC3\xAD", "verdadero"};
constexpr std::array<std::string_view, 8> kFalseWords{"0",   "false", "no",   "falso",
                                                      "non", "faux",  "nein", "falsch"};
constexpr std::size_t kLongestWord = 9;

bool IsOneOf(std::string_view word, const auto& words) {
  for (std::string_view w : words) {
    if (w == word) return true;
  }
  return false;
}

void ConvertBoolean(const ColumnType& type, std::string_view column, std::string_view text,
                    Value& out) {
  const std::string_view s = TrimBlanks(text);
  // Folded to lower case: ASCII letters, and the capital Latin-1 letters U+00C0..U+00DE
  // (but the multiplication sign), which UTF-8 writes as C3 80..9E.
  std::array<char, kLongestWord> folded{};
  bool ok = s.size() <= folded.size();
  for (std::size_t i = 0; ok && i < s.size(); ++i) {
    char c = ascii::Lower(s[i]);
    if (i > 0 && s[i - 1] == '\xC3' && static_cast<unsigned char>(c) >= 0x80 &&
        static_cast<unsigned char>(c) <= 0x9E && c != '\x97') {
      c = static_cast<char>(c + 0x20);
    }
    folded[i] = c;
  }
  const std::string_view word(folded.data(), ok ? s.size() : 0);
  out.type = Value::Type::Integer;
  if (ok && IsOneOf(word, kTrueWords)) {
    out.integer = 1;
  } else if (ok && IsOneOf(word, kFalseWords)) {
    out.integer = 0;
  } else {
    Refuse(kErrTypeConversion, column, type, text, "not a yes/no value");
  }
}

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

std::size_t Utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

ColumnType ParseDeclaredType(std::string_view declared) {
  const DeclaredParts p = SplitDeclared(declared);
  const std::string& n = p.name;
  ColumnType t;
  if (n == "INTEGER" || n == "BIGINT" || n == "INT8" || n == "UNSIGNED BIG INT") {
    t = IntegerType(kInt64Min, kInt64Max);
  } else if (n == "INT" || n == "INT4" || n == "LONG") {
    t = IntegerType(std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max());
  } else if (n == "MEDIUMINT") {
    t = IntegerType(-8388608, 8388607);
  } else if (n == "SMALLINT" || n == "INT2") {
    t = IntegerType(std::numeric_limits<std::int16_t>::min(),
                    std::numeric_limits<std::int16_t>::max());
  } else if (n == "TINYINT" || n == "BYTE") {
    t = IntegerType(0, 255);
  } else if (n == "REAL" || n == "FLOAT" || n == "DOUBLE" || n == "DOUBLE PRECISION" ||
             n == "FLOAT4" || n == "FLOAT8" || n == "SINGLE") {
    t.kind = ColumnKind::Real;
  } else if (n == "DECIMAL" || n == "NUMERIC" || n == "NUMBER") {
    t.kind = ColumnKind::Decimal;
    t.precision = p.arg1;
    t.scale = p.arg1 > 0 ? std::max(p.arg2, 0) : -1;
  } else if (n == "MONEY" || n == "CURRENCY") {
    t.kind = ColumnKind::Decimal;
    t.precision = 19;
    t.scale = 4;
  } else if (n == "BOOLEAN" || n == "BOOL" || n == "BIT" || n == "YESNO" || n == "LOGICAL") {
    t.kind = ColumnKind::Boolean;
  } else if (n == "DATE") {
    t.kind = ColumnKind::Date;
  } else if (n == "DATETIME" || n == "TIMESTAMP") {
    t.kind = ColumnKind::DateTime;
  } else if (n == "TIME") {
    t.kind = ColumnKind::Time;
  } else if (n == "STRING" || n == "MEMO" || Contains(n, "CHAR") || Contains(n, "CLOB") ||
             Contains(n, "TEXT")) {
    t.kind = ColumnKind::Text;
    t.length = p.arg1 > 0 ? p.arg1 : -1;
  } else if (n.empty() || Contains(n, "BLOB")) {
    t.kind = ColumnKind::Any;
  } else if (Contains(n, "INT")) {
    t = IntegerType(kInt64Min, kInt64Max);
  } else if (Contains(n, "REAL") || Contains(n, "FLOA") || Contains(n, "DOUB")) {
    t.kind = ColumnKind::Real;
  } else {
    t.kind = ColumnKind::Decimal;  // SQLite's numeric affinity for any other name
  }
  t.declared = std::string(declared);
  return t;
}

ColumnType PostgresColumnType(std::string_view formatType) {
  // The type modifier sits between the name and its time-zone suffix: "timestamp(3) without
  // time zone"; take it out so the name compares whole.
  std::string name(formatType);
  std::string args;
  if (auto open = name.find('('); open != std::string::npos) {
    const auto close = name.find(')', open);
    if (close != std::string::npos) {
      args = name.substr(open, close - open + 1);
      name.erase(open, close - open + 1);
    }
  }
  const DeclaredParts p = SplitDeclared("x" + args);
  ColumnType t;
  if (name == "smallint") {
    t = IntegerType(std::numeric_limits<std::int16_t>::min(),
                    std::numeric_limits<std::int16_t>::max());
  } else if (name == "integer") {
    t = IntegerType(std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max());
  } else if (name == "bigint") {
    t = IntegerType(kInt64Min, kInt64Max);
  } else if (name == "real" || name == "double precision") {
    t.kind = ColumnKind::Real;
  } else if (name == "numeric") {
    t.kind = ColumnKind::Decimal;
    t.precision = p.arg1;
    t.scale = p.arg1 > 0 ? std::max(p.arg2, 0) : -1;
  } else if (name == "boolean") {
    t.kind = ColumnKind::Boolean;
  } else if (name == "date") {
    t.kind = ColumnKind::Date;
  } else if (name == "timestamp without time zone" || name == "timestamp with time zone") {
    t.kind = ColumnKind::DateTime;
  } else if (name == "time without time zone") {
    t.kind = ColumnKind::Time;
  } else if (name == "character varying" || name == "character" || name == "text") {
    t.kind = ColumnKind::Text;
    t.length = p.arg1 > 0 ? p.arg1 : -1;
  }
  t.declared = std::string(formatType);
  return t;
}

void ConvertText(const ColumnType& type, const ValueFormat& format, std::string_view column,
                 std::string_view text, Value& out) {
  if (type.kind == ColumnKind::Text || type.kind == ColumnKind::Any) {
    if (type.length >= 0 && Utf8Length(text) > static_cast<std::size_t>(type.length)) {
      throw Error(kErrTooLong,
                  "The value '" + Quoted(text) + "' is too long for the column '" +
                      std::string(column) + "' (" + type.declared +
                      "): " + std::to_string(Utf8Length(text)) + " characters.",
                  kStoreSource);
    }
    out.type = Value::Type::Text;
    out.text.assign(text);
    return;
  }
  if (TrimBlanks(text).empty()) {
    out.type = Value::Type::Null;
    return;
  }
  switch (type.kind) {
    case ColumnKind::Integer:
      ConvertInteger(type, format, column, text, out);
      break;
    case ColumnKind::Real:
    case ColumnKind::Decimal:
      ConvertNumber(type, format, column, text, out);
      break;
    case ColumnKind::Boolean:
      ConvertBoolean(type, column, text, out);
      break;
    default:
      ConvertTemporal(type, format, column, text, out);
      break;
  }
}

}  // namespace vandrel::store
