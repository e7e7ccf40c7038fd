// The encodings a text file can be read in, by name. Text is UTF-8 everywhere past the
// reader: in the fields cut from a line, in the database and on screen.
#pragma once

#include <optional>
#include <string_view>

namespace vandrel {

// Auto: a byte-order mark decides; without one, the first 64 KiB after the first byte that is
// not ASCII (valid UTF-8 there means UTF-8, anything else Windows-1252).
enum class TextEncoding { Auto, Windows1252, Utf8, Utf16LE, Utf16BE };

// "auto", "windows-1252", "utf-8", "utf-16le", "utf-16be" (letter case ignored), and back.
std::optional<TextEncoding> ParseEncoding(std::string_view name);
const char* EncodingName(TextEncoding encoding);

}  // namespace vandrel
