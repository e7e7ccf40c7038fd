// The first phase and the choice of type: the sample is read by the import's own reader, so
// the encoding is what the `auto` rule (or the user) decides and every line reads as the
// import will read it; whether the file is delimited or fixed width is chosen once the
// dialect and the fixed-width columns have been found.
#include <algorithm>

#include "engine/text_reader.h"
#include "guess/guess_phases.h"

namespace vandrel::guess {
namespace {

// A separator whose table counts fit this share of the sample's records is consistent: a few
// bad lines do not change the reading of a file. Below it a fixed-width reading is tried
// first; and a separator that fits no more than half of the table (the lines above it left
// out) is no reading of the file at all.
constexpr double kConsistent = 0.9;
constexpr double kMostRecords = 0.5;

double Share(std::size_t part, std::size_t whole) {
  return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

Sample ReadLines(const std::string& path, TextEncoding encoding) {
  TextReader reader(path, encoding);
  Sample sample;
  TextLine line;
  while (sample.lines.size() < kSampleLines) {
    if (!reader.Next(line)) break;
    if (line.offset + line.bytes > kSampleBytes) break;
    sample.lines.push_back({std::string(line.text), std::string(line.end)});
  }
  sample.encoding = reader.encoding();
  return sample;
}

// UTF-16 without a byte-order mark reads as single bytes with a NUL beside every character
// of the first 128 (a third of the characters or more are NUL): its byte order, or nothing.
std::optional<TextEncoding> Utf16WithoutMark(const Sample& sample) {
  std::size_t characters = 0, nuls = 0;
  for (const SampleLine& line : sample.lines) {
    characters += line.text.size();
    nuls += static_cast<std::size_t>(std::count(line.text.begin(), line.text.end(), '\0'));
  }
  if (sample.lines.empty() || nuls * 3 < characters) return std::nullopt;
  // The file's first two bytes: "x\0" little-endian, "\0x" big-endian.
  const std::string& first = sample.lines.front().text;
  if (first.size() < 2 || (first[0] == '\0') == (first[1] == '\0')) return std::nullopt;
  return first[0] == '\0' ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
}

}  // namespace

Sample ReadSample(const std::string& path, TextEncoding encoding) {
  Sample sample = ReadLines(path, encoding);
  // The `auto` rule reads such a file as single bytes with NULs in them, which no program
  // writes as text: the guess names the encoding that reads it.
  if (encoding == TextEncoding::Auto && sample.encoding != TextEncoding::Utf16LE &&
      sample.encoding != TextEncoding::Utf16BE) {
    if (const std::optional<TextEncoding> utf16 = Utf16WithoutMark(sample)) {
      return ReadLines(path, *utf16);
    }
  }
  return sample;
}

const char* EncodingNameOf(const Sample& sample) {
  return EncodingName(sample.encoding == TextEncoding::Auto ? TextEncoding::Utf8 : sample.encoding);
}

TextKind ChooseType(const Dialect& dialect, const FixedColumns& fixed, std::optional<bool> forced) {
  if (forced == true) return TextKind::FixedWidth;
  const bool separated = dialect.fields > 1;
  const bool fixedFits = forced != false && fixed.columns.size() > 1 && fixed.oneLength;
  if (fixedFits && (!separated || Share(dialect.fitting, dialect.records) < kConsistent)) {
    return TextKind::FixedWidth;
  }
  return separated && Share(dialect.tableFitting, dialect.tableRecords) > kMostRecords
             ? TextKind::Delimited
             : TextKind::OneField;
}

}  // namespace vandrel::guess
