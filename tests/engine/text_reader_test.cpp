#include "engine/text_reader.h"

#include <gtest/gtest.h>

#include "engine/record_reader.h"
#include "test_support.h"

namespace vandrel {
namespace {

using test::CatchError;
using Strings = std::vector<std::string>;

// Every line the reader returns (as "!text" when it is not valid, "<too long>" when it was
// passed over) after skipping `skip` lines.
Strings Lines(const std::string& bytes, TextEncoding encoding = TextEncoding::Auto,
              std::int64_t skip = 0, TextEncoding* decided = nullptr) {
  test::TempDir dir;
  test::WriteFile(dir.file("t.txt"), bytes);
  TextReader reader(dir.file("t.txt"), encoding);
  reader.Skip(skip);
  Strings lines;
  TextLine line;
  while (reader.Next(line)) {
    if (line.state == TextLine::State::TooLong) {
      lines.emplace_back("<too long>");
    } else {
      lines.push_back((line.state == TextLine::State::Invalid ? "!" : "") + std::string(line.text));
    }
  }
  if (decided) *decided = reader.encoding();
  return lines;
}

std::string Utf16(const std::u16string& text, bool big, bool mark) {
  std::string out;
  if (mark) out += big ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : text) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += big ? hi : lo;
    out += big ? lo : hi;
  }
  return out;
}

TEST(TextReader, EveryLineEndAndALastLineWithoutOne) {
  EXPECT_EQ(Lines("ab\ncd\n"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\r\ncd\r\n"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\rcd\r"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\ncd"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("a\n\nb"), (Strings{"a", "", "b"}));
  EXPECT_EQ(Lines(""), Strings{});
}

TEST(TextReader, SkippingCountsAnyLineEndOnce) {
  EXPECT_EQ(Lines("head\nab\ncd\n", TextEncoding::Auto, 1), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("head\r\nab\r\n", TextEncoding::Auto, 1), (Strings{"ab"}));
  EXPECT_EQ(Lines("h1\rh2\rab\rcd", TextEncoding::Auto, 2), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("h1\nab", TextEncoding::Auto, 5), Strings{});
}

TEST(TextReader, AByteOrderMarkDecidesAndIsNeverText) {
  TextEncoding decided;
  EXPECT_EQ(Lines("\xEF\xBB\xBFid;n\xC3\xA9\n", TextEncoding::Auto, 0, &decided),
            (Strings{"id;n\u00E9"}));
  EXPECT_EQ(decided, TextEncoding::Utf8);
  EXPECT_EQ(Lines(Utf16(u"a\tb\r\n\u00C5land\r\n", false, true), TextEncoding::Auto, 0, &decided),
            (Strings{"a\tb", "\u00C5land"}));
  EXPECT_EQ(decided, TextEncoding::Utf16LE);
  EXPECT_EQ(Lines(Utf16(u"x\ny", true, true)), (Strings{"x", "y"}));
  // Named explicitly, a matching mark is passed over too; one of another encoding is text.
  EXPECT_EQ(Lines("\xEF\xBB\xBFok\n", TextEncoding::Utf8), (Strings{"ok"}));
  EXPECT_EQ(Lines("\xEF\xBB\xBFok\n", TextEncoding::Windows1252),
            (Strings{"\u00EF\u00BB\u00BFok"}));
  EXPECT_EQ(Lines(Utf16(u"\U0001F600!", false, false), TextEncoding::Utf16LE),
            (Strings{"\U0001F600!"}));
}

TEST(TextReader, WithoutAMarkTheTextAfterItsFirstNonAsciiByteDecides) {
  TextEncoding decided;
  const std::string ascii(100000, 'a');
  EXPECT_EQ(Lines(ascii + "\nC\xC3\xB4te\n", TextEncoding::Auto, 0, &decided).back(), "C\u00F4te");
  EXPECT_EQ(decided, TextEncoding::Utf8);
  EXPECT_EQ(Lines("Citt\xE0;Perch\xE9\n", TextEncoding::Auto, 0, &decided),
            (Strings{"Citt\u00E0;Perch\u00E9"}));
  EXPECT_EQ(decided, TextEncoding::Windows1252);
  // A UTF-8 sequence cut by the end of the 64 KiB window does not count against UTF-8.
  std::string cut = "\xC3\xA9" + std::string((64 << 10) - 3, 'x') + "\xE2\x82\xAC\n";
  EXPECT_EQ(Lines(cut, TextEncoding::Auto, 0, &decided).size(), 1u);
  EXPECT_EQ(decided, TextEncoding::Utf8);
  // All ASCII: nothing to decide.
  EXPECT_EQ(Lines("a\nb\n", TextEncoding::Auto, 0, &decided), (Strings{"a", "b"}));
}

TEST(TextReader, ALineNotValidInTheEncodingIsMarkedNotMangled) {
  EXPECT_EQ(Lines("ok\nbad \xFF here\nok2\n", TextEncoding::Utf8),
            (Strings{"ok", "!bad \uFFFD here", "ok2"}));
  EXPECT_EQ(Lines(Utf16(u"a\n\xD800x\nb", false, true)), (Strings{"a", "!\uFFFDx", "b"}));
}

TEST(TextReader, ALineOverTheCapIsPassedOverNotKept) {
  const std::string huge(kMaxRecordBytes + 10, 'x');
  EXPECT_EQ(Lines("a\n" + huge + "\r\nb\n"), (Strings{"a", "<too long>", "b"}));
  EXPECT_EQ(Lines(huge), (Strings{"<too long>"}));
  // Just under the cap is a line like any other.
  const std::string big(kMaxRecordBytes - 1, 'y');
  EXPECT_EQ(Lines(big + "\nz"), (Strings{big, "z"}));
}

TEST(TextReader, OnlyARegularFileIsRead) {
  test::TempDir dir;
  EXPECT_EQ(
      CatchError([&] { TextReader reader(dir.file("none.txt"), TextEncoding::Auto); }).number(),
      53);
  EXPECT_EQ(
      CatchError([&] { TextReader reader(dir.path().string(), TextEncoding::Auto); }).number(), 53);
}

// Records of a ';'-separated file with '"' as text delimiter.
Strings Records(const std::string& bytes) {
  test::TempDir dir;
  test::WriteFile(dir.file("r.txt"), bytes);
  TextReader reader(dir.file("r.txt"), TextEncoding::Auto);
  const QuoteRule rule = QuoteRuleOf(MakeDelimitedLayout(";", "\"", 0));
  RecordReader records(reader, &rule);
  Strings out;
  Record r;
  while (records.Next(r)) {
    const char* state = r.state == Record::State::OpenQuote ? "open:"
                        : r.state == Record::State::TooLong ? "long:"
                        : r.state == Record::State::Invalid ? "bad:"
                                                            : "";
    out.push_back(state + std::to_string(r.lines) + ":" + std::string(r.text));
  }
  return out;
}

TEST(RecordReader, AQuotedLineEndKeepsTheRecordGoingWithTheEndAsFound) {
  EXPECT_EQ(Records("\"Once upon \na time\";5\nnext;6\n"),
            (Strings{"2:\"Once upon \na time\";5", "1:next;6"}));
  EXPECT_EQ(Records("\"a\r\nb\";1\r\n\"c\rd\";2"), (Strings{"2:\"a\r\nb\";1", "2:\"c\rd\";2"}));
  // A doubled delimiter at the line's end keeps the field open.
  EXPECT_EQ(Records("\"x\"\"\nmore\";1\n"), (Strings{"2:\"x\"\"\nmore\";1"}));
  // A delimiter that does not begin its field opens nothing.
  EXPECT_EQ(Records("5'10\";x\nb\n"), (Strings{"1:5'10\";x", "1:b"}));
  EXPECT_EQ(Records("  \"a;b\n"), (Strings{"1:  \"a;b"}));
}

TEST(RecordReader, AnUnclosedQuoteIsReportedAloneAndReadingResumesOnTheNextLine) {
  EXPECT_EQ(Records("ok;1\n\"never closed;2\nafter;3\nlast;4\n"),
            (Strings{"1:ok;1", "open:1:\"never closed;2", "1:after;3", "1:last;4"}));
  // Past the cap of file bytes, the record is reported as too long.
  const std::string line(1000, 'x');
  std::string text = "\"" + line + "\n";
  for (int i = 0; i < 1100; ++i) text += line + "\n";
  const Strings got = Records(text);
  ASSERT_EQ(got.size(), 1101u);
  EXPECT_EQ(got[0].substr(0, 7), "long:1:");
  EXPECT_EQ(got[1], "1:" + line);
}

}  // namespace
}  // namespace vandrel
