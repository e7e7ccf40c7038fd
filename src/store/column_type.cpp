#include "store/column_type.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "store/convert_support.h"
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

std::size_t Utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

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

int FindColumn(std::span<const TableColumn> columns, std::string_view name,
               std::string_view table) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (ascii::EqualsNoCase(columns[i].name, name)) return static_cast<int>(i);
  }
  throw Error(
      kErrNoColumn,
      "No column named '" + std::string(name) + "' in the table '" + std::string(table) + "'.",
      kStoreSource);
}

std::vector<std::string> NamesOf(std::span<const TableColumn> columns) {
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (const TableColumn& c : columns) names.push_back(c.name);
  return names;
}

const TableColumn& ColumnAt(std::span<const TableColumn> columns, int column,
                            std::string_view table) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) {
    throw Error(kErrNoColumn,
                "No column number " + std::to_string(column) + " in the table '" +
                    std::string(table) + "'.",
                kStoreSource);
  }
  return columns[static_cast<std::size_t>(column)];
}

bool ColumnTakesText(std::span<const TableColumn> columns, int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return false;
  const ColumnKind kind = columns[static_cast<std::size_t>(column)].type.kind;
  return kind == ColumnKind::Text || kind == ColumnKind::Any;
}

int ColumnMaxLength(std::span<const TableColumn> columns, int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return -1;
  const ColumnType& type = columns[static_cast<std::size_t>(column)].type;
  return type.kind == ColumnKind::Text ? type.length : -1;
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
    // Only a text with more bytes than the column has characters can be too long.
    if (type.length >= 0 && text.size() > static_cast<std::size_t>(type.length) &&
        Utf8Length(text) > static_cast<std::size_t>(type.length)) {
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
