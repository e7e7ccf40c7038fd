#include "text/encoding.h"

#include <array>

#include "text/cp1252.h"
#include "util/ascii.h"

namespace vandrel {
namespace {

constexpr std::array<const char*, 5> kNames = {"auto", "windows-1252", "utf-8", "utf-16le",
                                               "utf-16be"};

void AppendCodePoint(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at bytes[i]: 0 when it is invalid, -1 when it is
// valid so far but cut short by the end of `bytes`.
int SequenceLength(std::string_view bytes, std::size_t i) {
  const auto b = static_cast<unsigned char>(bytes[i]);
  if (b < 0x80) return 1;
  int length;
  char32_t min;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3;
    min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  char32_t cp = b & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if (i + static_cast<std::size_t>(k) >= bytes.size()) return -1;
    const auto c = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string EncodeUtf8(char32_t c) {
  std::string out;
  AppendCodePoint(c, out);
  return out;
}

std::optional<TextEncoding> ParseEncoding(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (ascii::EqualsNoCase(name, kNames[i])) return static_cast<TextEncoding>(i);
  }
  return std::nullopt;
}

const char* EncodingName(TextEncoding encoding) {
  return kNames[static_cast<std::size_t>(encoding)];
}

std::optional<ByteOrderMark> DetectByteOrderMark(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") return ByteOrderMark{TextEncoding::Utf8, 3};
  if (head.substr(0, 2) == "\xFF\xFE") return ByteOrderMark{TextEncoding::Utf16LE, 2};
  if (head.substr(0, 2) == "\xFE\xFF") return ByteOrderMark{TextEncoding::Utf16BE, 2};
  return std::nullopt;
}

bool IsValidUtf8(std::string_view bytes, bool cutAtEnd) {
  if (IsAscii(bytes)) return true;  // most text is
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const int length = SequenceLength(bytes, i);
    if (length == 0) return false;
    if (length < 0) return cutAtEnd;
    i += static_cast<std::size_t>(length);
  }
  return true;
}

bool AppendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out) {
  bool valid = bytes.size() % 2 == 0;
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t k) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[2 * k]);
    const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
    return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
  };
  for (std::size_t k = 0; k < units; ++k) {
    const char32_t u = unit(k);
    if (u < 0xD800 || u > 0xDFFF) {
      AppendCodePoint(u, out);
    } else if (u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
      AppendCodePoint(0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00), out);
      ++k;
    } else {
      AppendCodePoint(0xFFFD, out);
      valid = false;
    }
  }
  if (bytes.size() % 2 != 0) AppendCodePoint(0xFFFD, out);
  return valid;
}

void AppendUtf8Repaired(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const int length = SequenceLength(bytes, i);
    if (length <= 0) {
      AppendCodePoint(0xFFFD, out);
      ++i;
    } else {
      out.append(bytes.substr(i, static_cast<std::size_t>(length)));
      i += static_cast<std::size_t>(length);
    }
  }
}

std::size_t CountCharacters(std::string_view utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

std::size_t CharacterOffset(std::string_view utf8, std::size_t n) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && n-- == 0) return i;
  }
  return utf8.size();
}

}  // namespace vandrel
