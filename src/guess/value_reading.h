// What a sampled value reads as under the import's own conversion rules (store::ConvertText):
// a Boolean word, an integer, a number, a date, a date and time. The guess asks this of
// thousands of values, so a cheap look at the characters comes first and the conversion, which
// throws on a refusal, runs only on values that may pass.
#pragma once

#include <string_view>

#include "vandrel/store.h"

namespace vandrel::guess {

// What a value reads as, one bit each.
inline constexpr unsigned kBooleanWord = 1;  // a yes/no word of the five languages; never digits
inline constexpr unsigned kInteger = 2;      // 64-bit
inline constexpr unsigned kNumber = 4;       // a real number (integers included)
inline constexpr unsigned kDate = 8;
inline constexpr unsigned kDateTime = 16;  // dates included
inline constexpr unsigned kAllKinds = 31;

// The kinds among `wanted` that `value` (blanks around it allowed) reads as under `format`;
// 0 for an empty value.
unsigned KindsOf(std::string_view value, const store::ValueFormat& format, unsigned wanted);

// Whether `value` reads as a number, a date or a Boolean word under some format.
bool ReadsAsTyped(std::string_view value);

// Characters that may make a number (digits, signs, '.', ',', 'e', blanks used to group), with
// a digit among them; and characters that may make a day-month date or an ISO one.
bool LooksLikeNumber(std::string_view trimmed);
bool LooksLikeDate(std::string_view trimmed);

// How a number is written: digits before its decimal separator (leading zeros not counted),
// digits after it, an exponent, and a whole part written with leading zeros ("007").
struct NumberShape {
  int intDigits = 0;
  int decimals = 0;
  bool exponent = false;
  bool leadingZero = false;
};
NumberShape ShapeOf(std::string_view trimmed, char decimalSeparator);

}  // namespace vandrel::guess
