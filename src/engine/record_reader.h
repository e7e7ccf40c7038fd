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

// The quoting grammar of delimited text, kept in one place for the record reader (which must
// know where a record ends) and the cutter (which must know where a field ends). A field whose
// first character is the text delimiter is quoted: it runs to the next delimiter that is not
// doubled, holding separators and line ends, and a doubled delimiter stands for one; text after
// the closing delimiter, up to the separator, belongs to the field. A delimiter anywhere else is
// an ordinary character. Separator and delimiter are UTF-8; an empty delimiter quotes nothing.
struct QuoteRule {
  std::string separator;
  std::string delimiter;

  // Where a scan stands: inside a quoted part, and at the start of a field.
  struct Scan {
    bool inQuote = false;
    bool fieldStart = true;
  };
  enum class Step {
    Text,       // ordinary text, `length` bytes of it
    Separator,  // the end of a field
    Open,       // the delimiter that opens a quoted field
    Close,      // the delimiter that closes it
    Doubled     // two delimiters inside a quoted field, standing for one
  };
  // What the text `rest` begins with, as seen from `scan`, and how many bytes it takes;
  // `scan` moves past it. `rest` must not be empty.
  Step Next(std::string_view rest, Scan& scan, std::size_t& length) const;

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
