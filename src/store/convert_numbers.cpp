// Numbers and Booleans as people write them: a '.' or a ',' as decimal separator (with the
// thousands separators that go with a ','), and yes or no in the five languages.
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "store/convert_support.h"
#include "util/ascii.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using ascii::TrimBlanks;

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

// Whether a number needs more than `whole` digits before the point once rounded to `scale`
// decimals. Written without an exponent the digits tell exactly (a double cannot hold the 38
// digits of a NUMERIC(38,10)); with one, the double does.
bool TooManyDigits(const NumberScan& scan, std::string_view plain, int whole, int scale,
                   double value) {
  if (scan.exponent) return std::fabs(value) >= PowerOfTen(whole);
  if (scan.intDigits != whole) return scan.intDigits > whole;
  // As many digits as allowed: only rounding 9...9.9...95 up adds one.
  std::string digits;  // the whole part without its leading zeros, then every decimal
  bool leading = true;
  for (char c : plain) {
    if (c == '.') leading = false;
    if (IsDigit(c) && !(leading && c == '0')) {
      digits += c;
      leading = false;
    }
  }
  const std::size_t kept = static_cast<std::size_t>(whole + scale);
  if (digits.size() <= kept) return false;
  return digits.find_first_not_of('9') >= kept && digits[kept] >= '5';
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

}  // namespace

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
    if (TooManyDigits(scan, body, type.precision - scale, scale, value)) {
      Refuse(kErrTypeConversion, column, type, text,
             "more than " + std::to_string(type.precision - scale) + " digits before the point");
    }
  }
  out.type = Value::Type::Real;
  out.real = value;
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

}  // namespace vandrel::store
