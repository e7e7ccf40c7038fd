// The text reader, the record reader and both cuttings. The first four bytes choose the
// layout (separator, text delimiter, lines to skip and the encoding, fixed-width columns); the
// rest is the text file. Reading always ends; every record stays within the cap; every field
// lies inside its record (or, unescaped, is no longer than it).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/line_cut.h"
#include "engine/record_reader.h"
#include "engine/text_reader.h"
#include "fuzz_support.h"
#include "vandrel/error.h"
#include "vandrel/layout.h"

namespace {

constexpr const char* kCharacters[] = {";", ",", "{TAB}", "{SPACE}", "\"", "'", "|", "{NONE}",
                                       "\xC3\xA9", "x"};

const char* Pick(std::uint8_t byte) {
  return kCharacters[byte % (sizeof kCharacters / sizeof *kCharacters)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandrel;
  if (size < 4) return 0;
  const char* separator = Pick(data[0]);
  const char* delimiter = Pick(data[1]);
  const std::int64_t skip = data[2] % 4;
  const auto encoding = static_cast<TextEncoding>((data[2] / 4) % 5);
  std::vector<ColumnRange> columns;
  int begin = 1;
  for (int i = 0; i < 1 + data[3] % 8; ++i) {
    const int width = 1 + (data[3] * (i + 3)) % 9;
    columns.push_back({begin, begin + width - 1});
    begin += width - (i % 3 == 2 ? 2 : 0);  // some ranges overlap
    if (begin < 1) begin = 1;
  }
  const std::string path = fuzz::Folder() + "/lines.txt";
  fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4));

  std::optional<DelimitedCutter> delimited;
  std::optional<FixedCutter> fixed;
  try {
    delimited.emplace(MakeDelimitedLayout(separator, delimiter, skip));
  } catch (const Error&) {
  }
  try {
    fixed.emplace(MakeFixedLayout(separator, delimiter, skip, columns));
  } catch (const Error&) {
  }

  try {
    TextReader reader(path, encoding);
    reader.Skip(skip);
    RecordReader records(reader, delimited ? &delimited->rule() : nullptr);
    std::vector<std::string_view> fields;
    Record record;
    std::size_t count = 0;
    while (records.Next(record)) {
      // Each record either moves on by a line or restarts after its first: reading ends.
      VANDREL_FUZZ_CHECK(++count <= size + 1);
      VANDREL_FUZZ_CHECK(record.lines >= 1);
      // Decoding never more than triples the bytes; the cap bounds every record.
      VANDREL_FUZZ_CHECK(record.text.size() <= 3 * kMaxRecordBytes);
      if (record.state != Record::State::Ok) continue;
      if (delimited) {
        delimited->Cut(record.text, fields);
        std::size_t bytes = 0;
        for (std::string_view f : fields) bytes += f.size();
        VANDREL_FUZZ_CHECK(bytes <= record.text.size());
      }
      if (fixed) {
        fixed->Cut(record.text, fields);
        VANDREL_FUZZ_CHECK(fields.size() == columns.size());
        for (std::string_view f : fields) {
          VANDREL_FUZZ_CHECK(f.empty() ||
                             (f.data() >= record.text.data() &&
                              f.data() + f.size() <= record.text.data() + record.text.size()));
        }
      }
    }
  } catch (const Error&) {
    // A file that cannot be read is refused with an error, which is a fine answer.
  }
  return 0;
}
