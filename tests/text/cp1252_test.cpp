#include "text/cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace vandrel {
namespace {

TEST(Cp1252, EveryUpperByteSurvivesTheRoundTripThroughUtf8) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = Cp1252ToUtf8(byte);
    EXPECT_FALSE(IsAscii(utf8)) << std::hex << b;
    EXPECT_EQ(Utf8ToCp1252(utf8), byte) << std::hex << b;
  }
}

TEST(Cp1252, MapsToTheExpectedCodePoints) {
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");    // €, not U+0080
  EXPECT_EQ(Cp1252ToUtf8("\xE0"), "\u00E0");    // à
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");  // undefined: the C1 control U+0081
  EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\u0178");    // Ÿ
  EXPECT_EQ(Cp1252ToUtf8("Citt\xE0 \x80"), "Città €");
  EXPECT_EQ(Utf8ToCp1252("Città €"), "Citt\xE0 \x80");
  EXPECT_EQ(Utf8ToCp1252("\u2122"), "\x99");  // ™
  EXPECT_EQ(Cp1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1252, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("\u4E2D"), "?");  // 中: one '?' per character
  EXPECT_EQ(Utf8ToCp1252("a\u4E2Db"), "a?b");
  EXPECT_EQ(Utf8ToCp1252("\U0001F600"), "?");  // four-byte sequence
  EXPECT_EQ(Utf8ToCp1252("\u0080"), "?");      // U+0080 has no byte of its own
}

TEST(Cp1252, InvalidUtf8BecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("\xE0"), "?");      // a Windows-1252 byte, not UTF-8
  EXPECT_EQ(Utf8ToCp1252("x\xC3"), "x?");    // sequence cut short at the end
  EXPECT_EQ(Utf8ToCp1252("\xC3(z"), "?(z");  // lead byte without continuation
  EXPECT_EQ(Utf8ToCp1252("\x80z"), "?z");    // lone continuation byte
  EXPECT_EQ(Utf8ToCp1252("\xFFz"), "?z");
  // Overlong forms and surrogates do not sneak in as the character they spell.
  EXPECT_EQ(Utf8ToCp1252("\xC1\x81"), "??");         // 'A' in two bytes
  EXPECT_EQ(Utf8ToCp1252("\xE0\x83\xA0"), "???");    // 'à' in three bytes
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80z"), "???z");  // a surrogate half
}

TEST(Cp1252, IsAsciiLooksAtEveryByte) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii("plain text, 0-9 \x7F"));
  EXPECT_FALSE(IsAscii("\x80"));
  // The high byte at each position, through both the word-at-a-time part and the tail.
  for (std::size_t pos = 0; pos < 19; ++pos) {
    std::string s(19, 'a');
    s[pos] = '\xE0';
    EXPECT_FALSE(IsAscii(s)) << pos;
  }
}

}  // namespace
}  // namespace vandrel
