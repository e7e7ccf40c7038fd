// The type of each column: the narrowest that every non-empty value of it takes under the
// import's conversion rules, written as a column type a database would be created with.
#include <algorithm>

#include "guess/guess_phases.h"
#include "guess/value_reading.h"
#include "util/ascii.h"

namespace vandrel::guess {
namespace {

// The most digits a DECIMAL column takes; the guess declares them all, so that a larger
// amount further down the file still fits.
constexpr int kDecimalDigits = 18;

struct ColumnEvidence {
  unsigned kinds = kAllKinds;  // what every value so far reads as
  bool any = false;            // a non-empty value was seen
  int decimals = -1;           // the one number of decimals every number has, or -2: not one
  int digits = 0;              // the most digits before the decimal separator
};

void Note(std::string_view value, const store::ValueFormat& format, ColumnEvidence& e) {
  const std::string_view s = ascii::TrimBlanks(value);
  if (s.empty()) return;
  e.any = true;
  e.kinds = KindsOf(s, format, e.kinds);
  if (!(e.kinds & (kInteger | kNumber))) return;
  const NumberShape shape = ShapeOf(s, format.decimalSeparator);
  if (shape.leadingZero) {
    // Zeros in front are data (postal codes, account numbers) that a number would lose.
    e.kinds &= ~(kInteger | kNumber);
    return;
  }
  const int decimals = shape.exponent ? -2 : shape.decimals;
  e.decimals = e.decimals == -1 || e.decimals == decimals ? decimals : -2;
  e.digits = std::max(e.digits, shape.intDigits);
}

std::string TypeName(const ColumnEvidence& e) {
  if (!e.any) return "TEXT";
  if (e.kinds & kBooleanWord) return "BOOLEAN";
  if (e.kinds & kInteger) return "INTEGER";
  if (e.kinds & kNumber) {
    if (e.decimals > 0 && e.digits + e.decimals <= kDecimalDigits) {
      return "DECIMAL(" + std::to_string(kDecimalDigits) + "," + std::to_string(e.decimals) + ")";
    }
    return "REAL";
  }
  if (e.kinds & kDate) return "DATE";
  if (e.kinds & kDateTime) return "DATETIME";
  return "TEXT";
}

}  // namespace

std::vector<std::string> GuessColumnTypes(const Table& table, std::size_t firstData,
                                          const store::ValueFormat& format) {
  std::vector<std::string> types;
  for (int c = 0; c < table.fields; ++c) {
    ColumnEvidence e;
    for (std::size_t r = firstData; r < table.rows.size() && e.kinds != 0; ++r) {
      Note(table.rows[r].fields[static_cast<std::size_t>(c)], format, e);
    }
    types.push_back(TypeName(e));
  }
  return types;
}

}  // namespace vandrel::guess
