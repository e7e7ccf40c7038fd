#include "guess/value_reading.h"

#include "store/column_type.h"
#include "util/ascii.h"
#include "vandrel/error.h"

namespace vandrel::guess {
namespace {

using store::DateOrder;
using store::ValueFormat;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Types {
  store::ColumnType boolean = store::ParseDeclaredType("BOOLEAN");
  store::ColumnType integer = store::ParseDeclaredType("INTEGER");
  store::ColumnType real = store::ParseDeclaredType("REAL");
  store::ColumnType date = store::ParseDeclaredType("DATE");
  store::ColumnType dateTime = store::ParseDeclaredType("DATETIME");
};
const Types& TheTypes() {
  static const Types types;
  return types;
}

// Whether the conversion takes `text` for a column of `type`.
bool Takes(const store::ColumnType& type, const ValueFormat& format, std::string_view text) {
  store::Value out;
  try {
    store::ConvertText(type, format, {}, text, out);
    return true;
  } catch (const Error&) {
    return false;
  }
}

// Letters, ASCII or accented (as in "sì"), two to ten bytes of them (the longest yes/no word
// has nine letters): the only values worth asking whether they are a Boolean word.
bool LooksLikeWord(std::string_view s) {
  if (s.size() < 2 || s.size() > 10 || !IsAsciiLetter(s.front())) return false;
  for (char c : s) {
    if (!IsAsciiLetter(c) && static_cast<unsigned char>(c) < 0x80) return false;
  }
  return true;
}

// An ISO date begins YYYY-: worth trying before the day-month orders.
bool IsoShaped(std::string_view s) {
  return s.size() >= 10 && s[4] == '-' && IsDigit(s[0]) && IsDigit(s[3]);
}

// The number kinds among `wanted` under `format`. A value holding the decimal separator or an
// exponent is no integer, which spares the conversion a refusal.
unsigned NumberKinds(std::string_view s, const ValueFormat& format, unsigned wanted) {
  const Types& t = TheTypes();
  const bool fraction =
      s.find_first_of(format.decimalSeparator == ',' ? ",eE" : ".,eE") != std::string_view::npos;
  if ((wanted & kInteger) && !fraction && Takes(t.integer, format, s)) {
    return (kInteger | kNumber) & wanted;
  }
  return (wanted & kNumber) && Takes(t.real, format, s) ? kNumber : 0;
}

unsigned DateKinds(std::string_view s, const ValueFormat& format, unsigned wanted) {
  const Types& t = TheTypes();
  if (format.dateOrder == DateOrder::YMD && !IsoShaped(s)) return 0;
  const bool withTime = s.size() > 10 && (s.find(':') != std::string_view::npos);
  if ((wanted & kDate) && !withTime && Takes(t.date, format, s)) {
    return (kDate | kDateTime) & wanted;
  }
  return (wanted & kDateTime) && Takes(t.dateTime, format, s) ? kDateTime : 0;
}

}  // namespace

bool LooksLikeNumber(std::string_view s) {
  bool digit = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (IsDigit(c)) {
      digit = true;
    } else if (c == '+' || c == '-') {
      if (i != 0 && s[i - 1] != 'e' && s[i - 1] != 'E') return false;
    } else if (c == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') {
      ++i;  // a no-break space grouping digits
    } else if (c != '.' && c != ',' && c != ' ' && c != 'e' && c != 'E') {
      return false;
    }
  }
  return digit;
}

bool LooksLikeDate(std::string_view s) {
  if (s.size() < 8 || !IsDigit(s.front())) return false;
  for (char c : s) {
    if (!IsDigit(c) && c != '/' && c != '-' && c != '.' && c != ':' && c != 'T' && c != ' ') {
      return false;
    }
  }
  return true;
}

unsigned KindsOf(std::string_view value, const ValueFormat& format, unsigned wanted) {
  const std::string_view s = ascii::TrimBlanks(value);
  if (s.empty()) return 0;
  unsigned kinds = 0;
  if ((wanted & (kInteger | kNumber)) && LooksLikeNumber(s)) {
    kinds |= NumberKinds(s, format, wanted);
  }
  if ((wanted & (kDate | kDateTime)) && LooksLikeDate(s)) kinds |= DateKinds(s, format, wanted);
  if ((wanted & kBooleanWord) && LooksLikeWord(s) && Takes(TheTypes().boolean, format, s)) {
    kinds |= kBooleanWord;
  }
  return kinds;
}

bool ReadsAsTyped(std::string_view value) {
  const std::string_view s = ascii::TrimBlanks(value);
  if (s.empty()) return false;
  if (LooksLikeNumber(s)) {
    // The separator the value holds is tried first: most numbers read under it.
    const bool comma = s.find(',') != std::string_view::npos;
    if (NumberKinds(s, {comma ? ',' : '.', DateOrder::YMD}, kNumber) ||
        NumberKinds(s, {comma ? '.' : ',', DateOrder::YMD}, kNumber)) {
      return true;
    }
  }
  if (LooksLikeDate(s)) {
    for (DateOrder order : {DateOrder::YMD, DateOrder::DMY, DateOrder::MDY}) {
      if (DateKinds(s, {'.', order}, kDateTime)) return true;
    }
  }
  return LooksLikeWord(s) && Takes(TheTypes().boolean, {}, s);
}

NumberShape ShapeOf(std::string_view s, char decimalSeparator) {
  NumberShape shape;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  shape.leadingZero = i + 1 < s.size() && s[i] == '0' && IsDigit(s[i + 1]);
  bool leading = true, after = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == 'e' || c == 'E') {
      shape.exponent = true;
      break;
    }
    if (c == decimalSeparator) {
      after = true;
    } else if (IsDigit(c)) {
      if (after) {
        ++shape.decimals;
      } else if (!(leading && c == '0')) {
        leading = false;
        ++shape.intDigits;
      }
    }
  }
  return shape;
}

}  // namespace vandrel::guess
