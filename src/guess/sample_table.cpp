// Records of the sample as the import reads them, and the table a layout cuts from them. The
// cutting is the import's own (DelimitedCutter, FixedCutter), so the guess judges the fields
// the import would store.
#include <algorithm>

#include "engine/line_cut.h"
#include "guess/guess_phases.h"

namespace vandrel::guess {

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

Table CutDelimited(const Sample& sample, const Dialect& dialect) {
  // One field per line is cut at LF, which no record holds outside quotes.
  const DelimitedLayout layout{dialect.separator.value_or(U'\n'), dialect.delimiter, 0};
  const QuoteRule rule = QuoteRuleOf(layout);
  DelimitedCutter cutter(layout);
  Table table;
  table.fields = dialect.fields;
  std::vector<std::string_view> fields;
  for (const SampleRecord& record : RecordsOf(sample, &rule)) {
    if (record.line < dialect.tableLine || record.open) continue;
    CutRecord(cutter, record.text, fields);
    const auto& counts = dialect.rowFields;
    if (std::find(counts.begin(), counts.end(), static_cast<int>(fields.size())) == counts.end())
      continue;
    fields.resize(static_cast<std::size_t>(dialect.fields));  // a short row's last fields are empty
    table.rows.push_back({{fields.begin(), fields.end()}, record.line, record.lines});
  }
  return table;
}

Table CutFixed(const Sample& sample, const FixedColumns& fixed) {
  const FixedCutter cutter(FixedLayout{fixed.columns, std::nullopt, std::nullopt, 0});
  Table table;
  table.fields = static_cast<int>(fixed.columns.size());
  table.firstIsData = fixed.firstIsData;
  std::vector<std::string_view> fields;
  const std::size_t end = std::min(sample.lines.size(), kSampleRecords);
  for (std::size_t i = fixed.tableLine; i < end; ++i) {
    if (HoldsNoData(sample.lines[i].text)) continue;
    cutter.Cut(sample.lines[i].text, fields);
    table.rows.push_back({{fields.begin(), fields.end()}, i, 1});
  }
  return table;
}

}  // namespace vandrel::guess
