// Values as a PostgreSQL server takes them in COPY: the binary send format of each type this
// store has a rule for, and COPY's text format. A converted value is encoded once, on the
// thread that converts it; a batch that has to go as text (a column without a rule is
// assigned, or the server takes no binary COPY) writes the same bytes out as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/column_type.h"
#include "vandrel/store.h"

namespace vandrel::store {

// How a column's values travel. Every kind but Raw has a binary form; Raw values (types
// without a rule here, and timestamps with a time zone, which the session's zone would have
// to place) are the text the server reads.
enum class WireKind : std::uint8_t {
  Int2,
  Int4,
  Int8,
  Float4,
  Float8,
  Numeric,
  Bool,
  Date,
  Time,
  Timestamp,
  Text,
  Raw
};

WireKind WireKindOf(const ColumnType& type);

// Turns `value`, as ConvertText made it from `text` for a column of `kind`, into the bytes
// that go to the server: the binary send format, or the text for Raw. `plain` is the number
// as written with '.' as decimal point and no grouping (numerics keep every digit the text
// gives); it may be value's own text. A NULL stays NULL. Throws kErrTypeConversion for a real
// that the column's width cannot hold.
void EncodeValue(WireKind kind, const ColumnType& type, std::string_view column,
                 std::string_view text, std::string_view plain, Value& value);

// Appends one encoded value as COPY text: its text form, with tab, line feed, carriage return
// and backslash escaped. Null is \N.
void AppendCopyText(WireKind kind, const Value& value, std::string& out);

// Writes the `bytes` low bytes of `v` at `at` in network byte order.
inline void PutBigEndian(char* at, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) {
    at[i] = static_cast<char>(v & 0xFF);
    v >>= 8;
  }
}

// Appends a 16- or 32-bit integer in network byte order.
void AppendInt16(std::string& out, std::int16_t v);
void AppendInt32(std::string& out, std::int32_t v);

// The header and the trailer of a binary COPY stream.
std::string_view BinaryCopyHeader();
std::string_view BinaryCopyTrailer();

}  // namespace vandrel::store
