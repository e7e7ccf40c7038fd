// The line reader and both cuttings. The first four bytes choose the layout (separator, text
// delimiter, lines to skip, fixed-width columns); the rest is the text file. Every line and
// every field must lie inside what was read, and no field may be longer than its line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/line_cut.h"
#include "engine/line_reader.h"
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
    LineReader reader(path);
    std::int64_t toSkip = skip;
    std::vector<std::string_view> fields;
    std::size_t total = 0;
    while (!reader.AtEnd()) {
      const std::string_view line = reader.preparariga(toSkip);
      total += line.size();
      VANDREL_FUZZ_CHECK(total <= size - 4);
      if (delimited) {
        delimited->Cut(line, fields);
        std::size_t bytes = 0;
        for (std::string_view f : fields) bytes += f.size();
        VANDREL_FUZZ_CHECK(bytes <= line.size());
      }
      if (fixed) {
        fixed->Cut(line, fields);
        VANDREL_FUZZ_CHECK(fields.size() == columns.size());
        for (std::string_view f : fields) {
          VANDREL_FUZZ_CHECK(f.empty() || (f.data() >= line.data() &&
                                           f.data() + f.size() <= line.data() + line.size()));
        }
      }
    }
  } catch (const Error&) {
    // A record over the limit is refused with an error, which is a fine answer.
  }
  return 0;
}
