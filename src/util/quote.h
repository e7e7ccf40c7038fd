// Values quoted in error texts. A line may be up to a mebibyte long, and every failing line
// becomes an error row, so an error text quotes only the start of a value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vandrel {

// The most characters of a value an error text quotes.
inline constexpr std::size_t kQuotedCharacters = 200;

// `value` as an error text quotes it: whole when it has at most kQuotedCharacters characters,
// else its first kQuotedCharacters followed by "…". Characters are counted as UTF-8, and a
// multi-byte character is never split.
inline std::string Quoted(std::string_view value) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 && chars++ == kQuotedCharacters) {
      std::string cut(value.substr(0, i));
      cut += "\xE2\x80\xA6";  // …
      return cut;
    }
  }
  return std::string(value);
}

}  // namespace vandrel
