// Reads the records of a text file: one line each, except where a quoted field of a
// delimited layout holds line ends, so that its record goes on over the following lines.
// A record stands or falls on its own: one whose file bytes pass kMaxRecordBytes, or whose
// quoted field is still open at the end of the file, is reported and reading restarts at the
// line after its first one, so nothing is swallowed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/text_reader.h"
#include "vandrel/layout.h"

namespace vandrel {

struct Record {
  enum class State {
    Ok,
    Invalid,    // a line of it is not valid in the file's encoding
    OpenQuote,  // a quoted field is never closed
    TooLong     // more than kMaxRecordBytes of the file
  };
  std::string_view text;   // UTF-8, inner line ends as found, without the final one
  std::int64_t lines = 0;  // the physical lines it takes
  State state = State::Ok;
};

// Records of 0 or 1 characters hold no data: the import and the previews pass them over.
bool HoldsNoData(std::string_view text);

// Where a quoted field begins and ends in delimited text: the separator and the text
// delimiter as UTF-8 (an empty delimiter quotes nothing).
struct QuoteRule {
  std::string separator;
  std::string delimiter;
  // Whether a scan of `text`, begun inside a quoted field when `inQuote`, ends inside one.
  bool EndsInQuote(std::string_view text, bool inQuote) const;
};
QuoteRule QuoteRuleOf(const DelimitedLayout& layout);

class RecordReader {
 public:
  // Records of one line each (fixed-width text, or delimited text without a delimiter when
  // `rule` is null), or of as many lines as a quoted field takes.
  RecordReader(TextReader& reader, const QuoteRule* rule);

  // The next record; false at the end of the file. The view is valid until the next call.
  bool Next(Record& record);

 private:
  TextReader& reader_;
  const QuoteRule* rule_;
  std::string joined_;  // a record of several lines
};

}  // namespace vandrel
