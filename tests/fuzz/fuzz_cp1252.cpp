// The code-page conversion. Every Windows-1252 byte string survives a trip to UTF-8 and back;
// any bytes taken as UTF-8 convert without fault, to one byte per character at most.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "text/cp1252.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandrel;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = Cp1252ToUtf8(bytes);
  VANDREL_FUZZ_CHECK(Utf8ToCp1252(utf8) == bytes);
  VANDREL_FUZZ_CHECK(IsAscii(bytes) == (utf8 == bytes));
  const std::string back = Utf8ToCp1252(bytes);
  VANDREL_FUZZ_CHECK(back.size() <= bytes.size());
  FirstCodePoint(bytes);
  return 0;
}
