// What the value conversions of the store share, and the converters of each kind of column.
// Internal to the store: ConvertText in column_type.h is the one entry point.
#pragma once

#include <cstdint>
#include <string_view>

#include "store/column_type.h"

namespace vandrel::store {

// Throws the refusal of `text` for `column`: error `number`, naming the column, its declared
// type, the value (its first 200 characters) and `why`.
[[noreturn]] void Refuse(std::int32_t number, std::string_view column, const ColumnType& type,
                         std::string_view text, std::string_view why);

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Integers, reals and decimals, read as `format` writes them (convert_numbers.cpp).
void ConvertInteger(const ColumnType& type, const ValueFormat& format, std::string_view column,
                    std::string_view text, Value& out);
void ConvertNumber(const ColumnType& type, const ValueFormat& format, std::string_view column,
                   std::string_view text, Value& out);
// Yes and no in the five languages (convert_numbers.cpp).
void ConvertBoolean(const ColumnType& type, std::string_view column, std::string_view text,
                    Value& out);
// Dates, times and both, in the order `format` names (convert_dates.cpp).
void ConvertTemporal(const ColumnType& type, const ValueFormat& format, std::string_view column,
                     std::string_view text, Value& out);

}  // namespace vandrel::store
