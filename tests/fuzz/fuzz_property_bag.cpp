// The property bag's INI file: any bytes load or are refused with an error; what loads, saved
// and loaded again, gives back the same properties.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "vandrel/error.h"
#include "vandrel/property_bag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandrel;
  const std::string path = fuzz::Folder() + "/form.ini";
  fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  IniPropertyBag bag;
  try {
    bag.Load(path);
  } catch (const Error&) {
    return 0;
  }
  const std::string saved = fuzz::Folder() + "/saved.ini";
  fuzz::WriteFile(saved, "");
  bag.Save(saved);
  IniPropertyBag again;
  again.Load(saved);
  VANDREL_FUZZ_CHECK(again.entries().size() == bag.entries().size());
  for (const auto& [name, value] : bag.entries()) {
    VANDREL_FUZZ_CHECK(again.ReadProperty(name) == value);
  }
  return 0;
}
