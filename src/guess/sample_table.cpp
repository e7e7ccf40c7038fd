// Records of the sample as the import reads them, and the table a layout cuts from them. The
// cutting is the import's own (DelimitedCutter, FixedCutter), so the guess judges the fields
// the import would store.
#include <algorithm>

#include "engine/line_cut.h"
#include "guess/guess_phases.h"

namespace vandrel::guess {
namespace {

int Overlap(int first, int last, ColumnRange range) {
  return std::max(0, std::min(last, range.end) - std::max(first, range.begin) + 1);
}

// The column of the word in character columns [first, last]: the one it lies in; across
// columns, the one whose values it stands over most (a name over right-aligned numbers may
// begin in the blanks that pad the column before), else the one it covers most. Ties go to
// the later column. Columns in order are searched only where the word lies, so that a line of
// many words over many columns costs no more than its length.
std::size_t ColumnOfWord(int first, int last, const FixedColumns& fixed, bool ordered) {
  const std::vector<ColumnRange>& columns = fixed.columns;
  std::size_t from = 0, to = columns.size();
  if (ordered) {
    from = static_cast<std::size_t>(
        std::partition_point(columns.begin(), columns.end(),
                             [first](const ColumnRange& c) { return c.end < first; }) -
        columns.begin());
    to = static_cast<std::size_t>(
        std::partition_point(columns.begin() + static_cast<std::ptrdiff_t>(from), columns.end(),
                             [last](const ColumnRange& c) { return c.begin <= last; }) -
        columns.begin());
  }
  std::size_t best = columns.size() - 1;
  std::pair<int, int> most{0, 0};  // over values, over the column
  for (std::size_t j = from; j < to; ++j) {
    const std::pair<int, int> overlap{Overlap(first, last, fixed.filled[j]),
                                      Overlap(first, last, fixed.columns[j])};
    if (overlap.second > 0 && overlap >= most) best = j, most = overlap;
  }
  return best;
}

// The fields of a line whose words may cross the columns' limits, as a header's names do over
// right-aligned numbers: each run of non-blank characters goes to the column whose values it
// stands over, and a column's words keep the blanks between them. A line whose words keep
// within the columns is cut as the import cuts it.
std::vector<std::string> CutByWords(std::string_view line, const FixedColumns& fixed) {
  const std::vector<ColumnRange>& columns = fixed.columns;
  std::vector<std::size_t> from(columns.size(), line.size()), to(columns.size(), 0);
  const bool ordered =
      std::adjacent_find(columns.begin(), columns.end(), [](const auto& a, const auto& b) {
        return a.end >= b.begin;
      }) == columns.end();
  int column = 0;  // the characters before i
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i, ++column;
      continue;
    }
    const std::size_t start = i;
    const int first = column + 1;
    while (i < line.size() && line[i] != ' ') {
      if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
      ++i;
    }
    const std::size_t best = ColumnOfWord(first, column, fixed, ordered);
    from[best] = std::min(from[best], start);
    to[best] = std::max(to[best], i);
  }
  std::vector<std::string> fields(columns.size());
  for (std::size_t j = 0; j < columns.size(); ++j) {
    if (from[j] < to[j]) fields[j] = line.substr(from[j], to[j] - from[j]);
  }
  return fields;
}

}  // namespace

std::vector<SampleRecord> RecordsOf(const Sample& sample, const QuoteRule* rule) {
  const std::vector<SampleLine>& lines = sample.lines;
  std::vector<SampleRecord> records;
  std::size_t i = 0;
  while (i < lines.size() && records.size() < kSampleRecords) {
    SampleRecord record{lines[i].text, i, 1, false};
    if (rule && !rule->delimiter.empty() && rule->EndsInQuote(lines[i].text, false)) {
      // A quoted field holds the line end: the record goes on until the field closes.
      std::string joined = lines[i].text + lines[i].end;
      bool inQuote = true;
      std::size_t next = i + 1;
      for (; inQuote && next < lines.size(); ++next) {
        joined += lines[next].text;
        inQuote = rule->EndsInQuote(lines[next].text, true);
        if (inQuote) joined += lines[next].end;
      }
      if (inQuote) {
        record.open = true;  // reported alone: reading goes on at its second line
      } else {
        record.text = std::move(joined);
        record.lines = next - i;
      }
    }
    i += record.lines;
    if (!HoldsNoData(record.text)) records.push_back(std::move(record));
  }
  return records;
}

void CutRecord(DelimitedCutter& cutter, std::string_view record,
               std::vector<std::string_view>& fields) {
  cutter.Cut(record, fields);
  const std::string& separator = cutter.rule().separator;
  if (separator != " " && !fields.empty() && record.ends_with(separator)) fields.emplace_back();
}

bool IsRuleLine(std::string_view text) {
  int dashes = 0, marks = 0, run = 0, longestRun = 0;
  for (char c : text) {
    if (c == '-' || c == '=') {
      ++dashes;
      longestRun = std::max(longestRun, ++run);
      continue;
    }
    run = 0;
    if (c == '+' || c == '|' || c == ':') {
      ++marks;
    } else if (c != ' ' && c != '\t') {
      return false;
    }
  }
  // Mostly dashes, some in a row: "-;-;-" is a row of placeholders, not a rule.
  return longestRun >= 2 && dashes >= marks;
}

Table CutDelimited(const Sample& sample, const Dialect& dialect) {
  // One field per line is cut at LF, which no record holds outside quotes.
  const DelimitedLayout layout{dialect.separator.value_or(U'\n'), dialect.delimiter, 0};
  const QuoteRule quoting = QuoteRuleOf(layout);
  DelimitedCutter cutter(layout);
  Table table;
  table.fields = dialect.fields;
  std::vector<std::string_view> fields;
  for (const SampleRecord& record : RecordsOf(sample, &quoting)) {
    if (record.line < dialect.tableLine || record.open) continue;
    CutRecord(cutter, record.text, fields);
    const auto& counts = dialect.rowFields;
    const bool rule = IsRuleLine(record.text);
    if (!rule &&
        std::find(counts.begin(), counts.end(), static_cast<int>(fields.size())) == counts.end()) {
      continue;
    }
    // A short row's last fields are empty; a rule holds no values.
    fields.resize(rule ? 0 : static_cast<std::size_t>(dialect.fields));
    fields.resize(static_cast<std::size_t>(dialect.fields));
    table.rows.push_back({{fields.begin(), fields.end()}, record.line, record.lines, rule});
  }
  return table;
}

Table CutFixed(const Sample& sample, const FixedColumns& fixed) {
  const FixedCutter cutter(FixedLayout{fixed.columns, std::nullopt, std::nullopt, 0});
  Table table;
  table.fields = static_cast<int>(fixed.columns.size());
  std::vector<std::string_view> fields;
  const std::size_t end = std::min(sample.lines.size(), kSampleRecords);
  for (std::size_t i = 0; i < end; ++i) {
    const std::string_view text = sample.lines[i].text;
    if (HoldsNoData(text)) continue;
    TableRow row{{}, i, 1, IsRuleLine(text)};
    if (row.rule) {
      row.fields.resize(fixed.columns.size());  // no values
    } else if (table.rows.size() < kMostLinesAbove) {
      row.fields = CutByWords(text, fixed);  // perhaps the header
    } else {
      cutter.Cut(text, fields);
      row.fields.assign(fields.begin(), fields.end());
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace vandrel::guess
