#include "engine/record_reader.h"

#include <algorithm>
#include <cstring>

#include "text/encoding.h"

namespace vandrel {
namespace {

Record::State StateOf(TextLine::State state) {
  return state == TextLine::State::Invalid   ? Record::State::Invalid
         : state == TextLine::State::TooLong ? Record::State::TooLong
                                             : Record::State::Ok;
}

}  // namespace

bool HoldsNoData(std::string_view text) {
  return text.size() < 2 || (text.size() <= 4 && CountCharacters(text) < 2);
}

QuoteRule QuoteRuleOf(const DelimitedLayout& layout) {
  return {EncodeUtf8(layout.separator),
          layout.delimiter ? EncodeUtf8(*layout.delimiter) : std::string()};
}

QuoteRule::Step QuoteRule::Next(std::string_view rest, Scan& scan, std::size_t& length) const {
  const std::string_view quote = delimiter;
  if (scan.inQuote) {
    if (rest.starts_with(quote)) {
      if (rest.substr(quote.size()).starts_with(quote)) {
        length = 2 * quote.size();
        return Step::Doubled;
      }
      scan.inQuote = false;
      length = quote.size();
      return Step::Close;
    }
    // Everything up to the next delimiter is the quoted value's.
    length = std::min(rest.find(quote), rest.size());
    return Step::Text;
  }
  if (scan.fieldStart && !quote.empty() && rest.starts_with(quote)) {
    scan.inQuote = true;
    scan.fieldStart = false;
    length = quote.size();
    return Step::Open;
  }
  if (rest.starts_with(separator)) {
    scan.fieldStart = true;
    length = separator.size();
    return Step::Separator;
  }
  // Outside quotes a delimiter is ordinary: everything up to the next separator is text.
  scan.fieldStart = false;
  length = std::min(rest.find(separator, 1), rest.size());
  return Step::Text;
}

bool QuoteRule::EndsInQuote(std::string_view text, bool inQuote) const {
  if (delimiter.empty()) return false;
  // A line without the delimiter opens and closes nothing.
  if (!inQuote && !std::memchr(text.data(), delimiter.front(), text.size())) return false;
  Scan scan{inQuote, !inQuote};
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); i += length) Next(text.substr(i), scan, length);
  return scan.inQuote;
}

RecordReader::RecordReader(TextReader& reader, const QuoteRule* rule)
    : reader_(reader), rule_(rule && !rule->delimiter.empty() ? rule : nullptr) {}

bool RecordReader::Next(Record& record) {
  TextLine line;
  if (!reader_.Next(line)) return false;
  record = Record{line.text, 1, StateOf(line.state)};
  if (!rule_ || line.state == TextLine::State::TooLong || !rule_->EndsInQuote(line.text, false)) {
    return true;
  }
  // A quoted field holds the line end: the record goes on over the next lines, line ends
  // kept as found, until the field closes.
  const std::int64_t secondLine = line.offset + line.bytes;
  std::int64_t bytes = line.bytes;
  Record::State state = record.state;
  joined_.assign(line.text);
  joined_.append(line.end);
  for (;;) {
    std::string_view end;
    bool inQuote = true;
    if (!reader_.Next(line)) {
      record.state = Record::State::OpenQuote;
    } else {
      bytes += line.bytes;
      if (line.state == TextLine::State::TooLong ||
          bytes > static_cast<std::int64_t>(kMaxRecordBytes)) {
        record.state = Record::State::TooLong;
      } else {
        if (line.state == TextLine::State::Invalid) state = Record::State::Invalid;
        joined_.append(line.text);
        ++record.lines;
        inQuote = rule_->EndsInQuote(line.text, true);
        end = line.end;
      }
    }
    if (record.state != Record::State::Ok && record.state != Record::State::Invalid) {
      // Reported alone: reading restarts at the line after its first one.
      reader_.Rewind(secondLine);
      record.text = std::string_view(joined_).substr(0, joined_.find_first_of("\r\n"));
      record.lines = 1;
      return true;
    }
    if (!inQuote) {
      record.text = joined_;
      record.state = state;
      return true;
    }
    joined_.append(end);
  }
}

}  // namespace vandrel
