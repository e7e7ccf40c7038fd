// Windows-1252 <-> UTF-8. Text files are single-byte text in the Windows-1252 code page;
// everything past the engine (the database, the screen, the API's strings) is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vandrel {

// Appends the UTF-8 form of the Windows-1252 bytes to `out`. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control characters of the
// same number, as Windows itself maps them, so every byte survives a round trip.
void AppendCp1252AsUtf8(std::string_view bytes, std::string& out);
std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 form of UTF-8 text; a character the code page cannot hold (or a byte that
// is not valid UTF-8) becomes '?'.
std::string Utf8ToCp1252(std::string_view text);

// The Windows-1252 byte of one character, or nothing when the code page has none.
std::optional<unsigned char> Cp1252Byte(char32_t c);

// The first character of UTF-8 text; nothing for empty or invalid text.
std::optional<char32_t> FirstCodePoint(std::string_view utf8);

// True when every byte is 7-bit ASCII, where both encodings agree.
bool IsAscii(std::string_view bytes);

}  // namespace vandrel
