// The strict conversion of text to a column's declared type. The input is a declared type,
// a line feed, then the text; the declared type's length picks the number and date format. A conversion either throws the store's error or gives a value of
// the column's kind; a real is never NaN or infinite (SQLite would store NULL for NaN).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "store/column_type.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandrel;
  using namespace vandrel::store;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  if (newline == std::string_view::npos) return 0;
  const ColumnType type = ParseDeclaredType(input.substr(0, newline));
  const std::string_view text = input.substr(newline + 1);
  ValueFormat format;
  format.decimalSeparator = newline % 2 == 0 ? '.' : ',';
  format.dateOrder = static_cast<DateOrder>(newline % 3);
  Value value;
  try {
    ConvertText(type, format, "c", text, value);
  } catch (const Error& e) {
    VANDREL_FUZZ_CHECK(e.number() == kErrTypeConversion || e.number() == kErrTooLong);
    // Error texts quote a bounded part of the value.
    VANDREL_FUZZ_CHECK(e.description().size() < 2000 + type.declared.size());
    return 0;
  }
  if (value.type == Value::Type::Real) VANDREL_FUZZ_CHECK(std::isfinite(value.real));
  if (type.kind == ColumnKind::Integer && value.type == Value::Type::Integer) {
    VANDREL_FUZZ_CHECK(value.integer >= type.min && value.integer <= type.max);
  }
  if (type.kind == ColumnKind::Text || type.kind == ColumnKind::Any) {
    VANDREL_FUZZ_CHECK(value.type == Value::Type::Text && value.text == text);
  }
  return 0;
}
