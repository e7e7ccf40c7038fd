#include "text/cp1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace vandrel {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the upper half equals Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePoint(unsigned char b) {
  return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool IsAscii(std::string_view bytes) {
  // Eight bytes at a time: the hot path of an import is mostly ASCII.
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & 0x8080808080808080ULL) return false;
  }
  for (; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
  }
  return true;
}

void AppendCp1252AsUtf8(std::string_view bytes, std::string& out) {
  for (char c : bytes) AppendUtf8(CodePoint(static_cast<unsigned char>(c)), out);
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendCp1252AsUtf8(bytes, out);
  return out;
}

namespace {
// Decodes the UTF-8 character at text[i]; its length is left in `len` (1 for an invalid byte).
std::optional<char32_t> DecodeAt(std::string_view text, std::size_t i, std::size_t& len) {
  const auto b = static_cast<unsigned char>(text[i]);
  char32_t cp = 0;
  len = 0;
  if (b < 0x80) {
    cp = b;
    len = 1;
  } else if ((b & 0xE0) == 0xC0) {
    cp = b & 0x1F;
    len = 2;
  } else if ((b & 0xF0) == 0xE0) {
    cp = b & 0x0F;
    len = 3;
  } else if ((b & 0xF8) == 0xF0) {
    cp = b & 0x07;
    len = 4;
  }
  bool valid = len > 0 && i + len <= text.size();
  for (std::size_t k = 1; valid && k < len; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    valid = (c & 0xC0) == 0x80;
    cp = (cp << 6) | (c & 0x3F);
  }
  // An overlong form, a surrogate or a code point past Unicode is not UTF-8 either.
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (valid && (cp < kSmallest[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) {
    valid = false;
  }
  if (!valid) {
    len = 1;
    return std::nullopt;
  }
  return cp;
}
}  // namespace

std::optional<unsigned char> Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (std::size_t k = 0; k < kHigh.size(); ++k) {
    if (kHigh[k] == cp) return static_cast<unsigned char>(0x80 + k);
  }
  return std::nullopt;
}

std::optional<char32_t> FirstCodePoint(std::string_view utf8) {
  if (utf8.empty()) return std::nullopt;
  std::size_t len = 0;
  return DecodeAt(utf8, 0, len);
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = 0;
    const std::optional<char32_t> cp = DecodeAt(text, i, len);
    i += len;
    const std::optional<unsigned char> byte = cp ? Cp1252Byte(*cp) : std::nullopt;
    out += byte ? static_cast<char>(*byte) : '?';
  }
  return out;
}

}  // namespace vandrel
