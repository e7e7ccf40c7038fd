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

void ConvertInteger(const ColumnType& type, std::string_view column, std::string_view text,
                    Value& out) {
  std::string_view s = TrimBlanks(text);
  std::string_view digits = s;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
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
bool IsPlainNumber(std::string_view s, bool& integral, int& intDigits, int& fracDigits) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  int before = 0, after = 0;
  bool leading = true;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    if (!(leading && s[i] == '0')) {
      leading = false;
      ++intDigits;
    }
    ++before;
    ++i;
  }
  integral = true;
  if (i < s.size() && s[i] == '.') {
    integral = false;
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      ++after;
      ++i;
    }
  }
  fracDigits = after;
  if (before + after == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    integral = false;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i == start) return false;
  }
  return i == s.size();
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

void ConvertNumber(const ColumnType& type, std::string_view column, std::string_view text,
                   Value& out) {
  std::string_view s = TrimBlanks(text);
  bool integral = false;
  int intDigits = 0, fracDigits = 0;
  if (!IsPlainNumber(s, integral, intDigits, fracDigits)) {
    Refuse(kErrTypeConversion, column, type, text, "not a number");
  }
  std::string_view body = s;
  if (!body.empty() && body.front() == '+') body.remove_prefix(1);
  if (type.kind == ColumnKind::Decimal && integral) {
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
    if (value != 0 && (fracDigits > scale || s.find_first_of("eE") != std::string_view::npos)) {
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

void ConvertBoolean(const ColumnType& type, std::string_view column, std::string_view text,
                    Value& out) {
  const std::string s = Upper(TrimBlanks(text));
  out.type = Value::Type::Integer;
  if (s == "1" || s == "-1" || s == "TRUE" || s == "YES") {
    out.integer = 1;
  } else if (s == "0" || s == "FALSE" || s == "NO") {
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

// YYYY-MM-DD at the start of s.
bool ParseDate(std::string_view s, std::string& out) {
  int y, m, d;
  if (s.size() < 10 || !Digits(s, 0, 4, y) || s[4] != '-' || !Digits(s, 5, 2, m) || s[7] != '-' ||
      !Digits(s, 8, 2, d)) {
    return false;
  }
  static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > kDays[static_cast<std::size_t>(m - 1)]) {
    return false;
  }
  if (m == 2 && d == 29 && !IsLeapYear(y)) return false;
  out.append(s.substr(0, 10));
  return true;
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

void ConvertTemporal(const ColumnType& type, std::string_view column, std::string_view text,
                     Value& out) {
  std::string_view s = TrimBlanks(text);
  out.type = Value::Type::Text;
  out.text.clear();
  bool ok = false;
  const char* expected = "";
  switch (type.kind) {
    case ColumnKind::Date:
      ok = s.size() == 10 && ParseDate(s, out.text);
      expected = "not a date of the form YYYY-MM-DD";
      break;
    case ColumnKind::Time:
      ok = ParseTime(s, out.text);
      expected = "not a time of the form HH:MM[:SS]";
      break;
    default:  // DateTime: a date alone means midnight
      if (ParseDate(s, out.text)) {
        if (s.size() == 10) {
          out.text += " 00:00:00";
          ok = true;
        } else if (s[10] == ' ' || s[10] == 'T') {
          out.text += ' ';
          ok = ParseTime(s.substr(11), out.text);
        }
      }
      expected = "not a date and time of the form YYYY-MM-DD[ HH:MM[:SS]]";
      break;
  }
  if (!ok) Refuse(kErrTypeConversion, column, type, text, expected);
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

void ConvertText(const ColumnType& type, std::string_view column, std::string_view text,
                 Value& out) {
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
      ConvertInteger(type, column, text, out);
      break;
    case ColumnKind::Real:
    case ColumnKind::Decimal:
      ConvertNumber(type, column, text, out);
      break;
    case ColumnKind::Boolean:
      ConvertBoolean(type, column, text, out);
      break;
    default:
      ConvertTemporal(type, column, text, out);
      break;
  }
}

}  // namespace vandrel::store
