#include "vandrel/preview.h"

#include <string_view>
#include <variant>

#include "engine/line_cut.h"
#include "engine/record_reader.h"
#include "engine/text_reader.h"

namespace vandrel {
namespace {

void AddRow(const std::vector<std::string_view>& fields,
            std::vector<std::vector<std::string>>& rows) {
  rows.emplace_back(fields.begin(), fields.end());
}

std::vector<std::vector<std::string>> DelimitedRows(const std::string& path, TextEncoding encoding,
                                                    const DelimitedLayout& layout,
                                                    std::size_t maxRows) {
  TextReader reader(path, encoding);
  reader.Skip(layout.skipLines);
  DelimitedCutter cutter(layout);
  RecordReader records(reader, &cutter.rule());
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string_view> fields;
  Record record;
  while (rows.size() < maxRows && records.Next(record)) {
    if (record.state != Record::State::Ok || HoldsNoData(record.text)) continue;
    cutter.Cut(record.text, fields);
    AddRow(fields, rows);
  }
  return rows;
}

std::vector<std::vector<std::string>> FixedRows(const std::string& path, TextEncoding encoding,
                                                const FixedLayout& layout, std::size_t maxRows) {
  const FixedCutter cutter(layout);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string_view> fields;
  for (const std::string& line : ReadPreviewLines(path, encoding, maxRows, layout.skipLines)) {
    cutter.Cut(line, fields);
    AddRow(fields, rows);
  }
  return rows;
}

}  // namespace

std::vector<std::string> ReadPreviewLines(const std::string& path, TextEncoding encoding,
                                          std::size_t maxLines, std::int64_t skip) {
  TextReader reader(path, encoding);
  reader.Skip(skip);
  std::vector<std::string> lines;
  TextLine line;
  while (lines.size() < maxLines && reader.Next(line)) lines.emplace_back(line.text);
  return lines;
}

std::vector<std::vector<std::string>> PreviewRows(const std::string& path, TextEncoding encoding,
                                                  const TextLayout& layout, std::size_t maxRows) {
  if (const auto* fixed = std::get_if<FixedLayout>(&layout)) {
    return FixedRows(path, encoding, *fixed, maxRows);
  }
  return DelimitedRows(path, encoding, std::get<DelimitedLayout>(layout), maxRows);
}

}  // namespace vandrel
