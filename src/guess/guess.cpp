// GuessLayout runs the phases in order, each handing its result to the next as a value, and
// the layouts the import takes are built from the guess.
#include "vandrel/guess.h"

#include "guess/guess_phases.h"

namespace vandrel {
namespace {

std::vector<GuessedColumn> Columns(const std::vector<std::string>& names,
                                   const std::vector<std::string>& types,
                                   const std::vector<ColumnRange>* ranges) {
  std::vector<GuessedColumn> columns;
  for (std::size_t c = 0; c < names.size(); ++c) {
    GuessedColumn column{names[c], types[c], 0, 0};
    if (ranges) column.begin = (*ranges)[c].begin, column.end = (*ranges)[c].end;
    columns.push_back(std::move(column));
  }
  return columns;
}

}  // namespace

LayoutGuess GuessLayout(const std::string& path, const GuessOptions& options) {
  using namespace guess;
  const Sample sample = ReadSample(path, options.encoding);
  const Dialect best = GuessDialect(sample);
  const FixedColumns fixed = GuessFixedColumns(sample);
  const TextKind kind = ChooseType(best, fixed, options.fixedWidth);
  const Dialect dialect = kind == TextKind::OneField ? OneFieldPerLine(sample) : best;
  const Table table =
      kind == TextKind::FixedWidth ? CutFixed(sample, fixed) : CutDelimited(sample, dialect);
  const HeaderGuess header = GuessHeader(table);
  const store::ValueFormat format = GuessValueFormat(table, header.firstData, options.hostFormat);
  const std::vector<std::string> types = GuessColumnTypes(table, header.firstData, format);

  LayoutGuess guess;
  guess.encoding = EncodingNameOf(sample);
  guess.fixedWidth = kind == TextKind::FixedWidth;
  if (!guess.fixedWidth) {
    guess.separator = dialect.separator;
    guess.delimiter = dialect.delimiter;
  }
  guess.skip = header.skip;
  guess.header = header.header;
  if (header.header) {
    guess.headerLine = static_cast<std::int64_t>(table.rows[header.headerRow].line) + 1;
  }
  guess.decimal = format.decimalSeparator;
  guess.dates = format.dateOrder;
  guess.columns =
      Columns(ColumnNames(table, header), types, guess.fixedWidth ? &fixed.columns : nullptr);
  return guess;
}

DelimitedLayout DelimitedLayoutOf(const LayoutGuess& guess) {
  return DelimitedLayout{guess.separator.value_or(U'\n'), guess.delimiter, guess.skip};
}

FixedLayout FixedLayoutOf(const LayoutGuess& guess) {
  FixedLayout layout;
  for (const GuessedColumn& column : guess.columns) {
    layout.columns.push_back({column.begin, column.end});
  }
  layout.skipLines = guess.skip;
  return layout;
}

}  // namespace vandrel
