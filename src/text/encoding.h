// The conversions of a text file's encoding to UTF-8, the text form used everywhere past the
// reader (cutting, the database, the screen), and UTF-8 character counting.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "vandrel/encoding.h"

namespace vandrel {

// The encoding a byte-order mark at the start of `head` names, and the mark's length.
struct ByteOrderMark {
  TextEncoding encoding;
  std::size_t length;
};
std::optional<ByteOrderMark> DetectByteOrderMark(std::string_view head);

// Whether `bytes` is valid UTF-8 (no overlong form, no surrogate, nothing past U+10FFFF). With
// `cutAtEnd`, a sequence cut short by the end of `bytes` does not count against it.
bool IsValidUtf8(std::string_view bytes, bool cutAtEnd = false);

// Appends the UTF-8 form of UTF-16 text (`bigEndian` or little-endian byte pairs; an odd last
// byte is an error). False, with what could be converted appended, when the text holds an
// unpaired surrogate or an odd byte.
bool AppendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out);

// The UTF-8 form of one character.
std::string EncodeUtf8(char32_t c);

// Appends UTF-8 text with every invalid byte shown as U+FFFD.
void AppendUtf8Repaired(std::string_view bytes, std::string& out);

// The number of characters (code points) in UTF-8 text.
std::size_t CountCharacters(std::string_view utf8);
// The byte offset of character `n` (0-based) of UTF-8 text; its size when it has fewer.
std::size_t CharacterOffset(std::string_view utf8, std::size_t n);

}  // namespace vandrel
