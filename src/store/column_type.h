// Strict conversion of imported text to a column's declared type. SQLite itself would store
// "abc" in an INTEGER column without a word; an import must refuse it and log the line, so
// every value is checked here against the declared type before it is bound.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/store.h"

namespace vandrel::store {

enum class ColumnKind { Integer, Real, Decimal, Boolean, Date, Time, DateTime, Text, Any };

struct ColumnType {
  ColumnKind kind = ColumnKind::Any;
  std::int64_t min = 0;  // Integer: the range of the declared type
  std::int64_t max = 0;
  int length = -1;     // Text: most characters, -1 without limit
  int precision = -1;  // Decimal: total and fractional digits, -1 when not declared
  int scale = -1;
  std::string declared;  // as written in the table's definition, for messages
};

ColumnType ParseDeclaredType(std::string_view declared);

// A column of a table opened for import, as both stores describe it.
struct TableColumn {
  std::string name;
  ColumnType type;
};

// The number of the column named `name` (without regard to case) among `columns` of `table`;
// throws kErrNoColumn when there is none.
int FindColumn(std::span<const TableColumn> columns, std::string_view name, std::string_view table);

// The names of `columns`, in order.
std::vector<std::string> NamesOf(std::span<const TableColumn> columns);

// Column number `column` of `table`; throws kErrNoColumn when there is no such number.
const TableColumn& ColumnAt(std::span<const TableColumn> columns, int column,
                            std::string_view table);

// Whether column `column` takes text as it is, and the most characters it holds (-1 for no
// limit, or when it takes no text or does not exist).
bool ColumnTakesText(std::span<const TableColumn> columns, int column);
int ColumnMaxLength(std::span<const TableColumn> columns, int column);

// The rule for a PostgreSQL column, from its type as format_type() spells it ("integer",
// "numeric(10,2)", "character varying(20)", "timestamp(3) without time zone", ...). Types
// with no client-side rule (uuid, json, inet, arrays, domains, ...) are Any: their text goes
// to the server unchanged and the server judges it.
ColumnType PostgresColumnType(std::string_view formatType);

// Converts `text` (UTF-8), written as `format` says, for a column of type `type`; on failure
// throws vandrel::Error (kErrTypeConversion or kErrTooLong) naming `column` and the value and
// saying what the format expects. The result is written into `out` so that its text buffer
// can be reused from row to row. Numbers come out as numbers and dates as ISO text whatever
// the format.
void ConvertText(const ColumnType& type, const ValueFormat& format, std::string_view column,
                 std::string_view text, Value& out);

}  // namespace vandrel::store
