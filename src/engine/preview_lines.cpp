#include "engine/preview_lines.h"

#include "engine/record_reader.h"
#include "engine/text_reader.h"

namespace vandrel {

std::vector<std::string> ReadPreviewLines(const std::string& path, TextEncoding encoding,
                                          std::size_t maxLines, std::int64_t skip) {
  TextReader reader(path, encoding);
  reader.Skip(skip);
  std::vector<std::string> lines;
  TextLine line;
  while (lines.size() < maxLines && reader.Next(line)) lines.emplace_back(line.text);
  return lines;
}

std::vector<std::string> ReadPreviewRecords(const std::string& path, TextEncoding encoding,
                                            const DelimitedLayout& layout, std::size_t maxRecords) {
  TextReader reader(path, encoding);
  reader.Skip(layout.skipLines);
  const QuoteRule rule = QuoteRuleOf(layout);
  RecordReader records(reader, &rule);
  std::vector<std::string> found;
  Record record;
  while (found.size() < maxRecords && records.Next(record)) {
    if (record.state != Record::State::Ok || HoldsNoData(record.text)) continue;
    found.emplace_back(record.text);
  }
  return found;
}

}  // namespace vandrel
