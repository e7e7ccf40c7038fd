// The layout files: records decoded from any bytes, and the whole file (any bytes, partial
// records included) listed, searched, appended to and deleted from. After a delete no record
// of that name is left and every other whole record is kept in order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "vandrel/error.h"
#include "vandrel/layout.h"
#include "vandrel/spec_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandrel;
  using namespace vandrel::specs;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto layoutOf = [](const auto& record) {
    try {
      LayoutFrom(record);
    } catch (const Error&) {
    }
  };
  if (size >= kDelimitedRecordLength)
    layoutOf(DecodeDelimited(bytes.substr(0, kDelimitedRecordLength)));
  if (size >= kFixedRecordLength) layoutOf(DecodeFixed(bytes.substr(0, kFixedRecordLength)));

  const std::string& folder = fuzz::Folder();
  fuzz::WriteFile(SpecFilePath(SpecKind::Delimited, folder), bytes);
  fuzz::WriteFile(SpecFilePath(SpecKind::Fixed, folder), bytes);
  for (SpecKind kind : {SpecKind::Delimited, SpecKind::Fixed}) {
    const std::vector<std::string> names = ListNames(kind, folder);
    const std::size_t length =
        kind == SpecKind::Delimited ? kDelimitedRecordLength : kFixedRecordLength;
    VANDREL_FUZZ_CHECK(names.size() == size / length);
    const std::string victim = names.empty() ? std::string("Fuzz") : names.front();
    DelimitedSpecRecord d;
    FixedSpecRecord f;
    if (kind == SpecKind::Delimited) {
      FindDelimited(folder, victim, d);
      ApplyDelimited(folder, victim);
      Append(folder, "Added", DelimitedSpecRecord{"Added", ";", "\"", 1});
    } else {
      FindFixed(folder, victim, f);
      ApplyFixed(folder, victim);
      Append(folder, "Added", f);
    }
    Delete(kind, folder, victim);
    const std::vector<std::string> after = ListNames(kind, folder);
    std::vector<std::string> expected = names;
    std::erase(expected, victim);
    if (victim != "Added" && std::ranges::count(names, "Added") == 0) expected.push_back("Added");
    VANDREL_FUZZ_CHECK(after == expected);
  }
  return 0;
}
