// Reading a text file: lines in any encoding and with any line end, and records that a quoted
// field carries over several lines.
#include "engine/text_reader.h"

#include <gtest/gtest.h>

#include "engine/record_reader.h"
#include "test_support.h"

namespace vandrel {
namespace {

using Strings = std::vector<std::string>;
using test::Utf16;
constexpr TextEncoding kAuto = TextEncoding::Auto;

// Every line the reader returns after skipping `skip` lines, as "!text" when it is not valid,
// "<too long>" when it was passed over; `decided` gets the encoding the reader settled on.
Strings Lines(const std::string& bytes, TextEncoding encoding = kAuto, std::int64_t skip = 0,
              TextEncoding* decided = nullptr) {
  test::TempDir dir;
  test::WriteFile(dir.file("t.txt"), bytes);
  TextReader reader(dir.file("t.txt"), encoding);
  reader.Skip(skip);
  Strings lines;
  for (TextLine line; reader.Next(line);) {
    const bool invalid = line.state == TextLine::State::Invalid;
    lines.push_back(line.state == TextLine::State::TooLong
                        ? "<too long>"
                        : (invalid ? "!" : "") + std::string(line.text));
  }
  if (decided) *decided = reader.encoding();
  return lines;
}

TEST(TextReader, EveryLineEndCountsOnceAndTheLastLineNeedsNone) {
  for (const char* text : {"ab\ncd\n", "ab\r\ncd\r\n", "ab\rcd\r", "ab\ncd", "h\r\nab\r\ncd"}) {
    EXPECT_EQ(Lines(text, kAuto, text[0] == 'h'), (Strings{"ab", "cd"})) << text;
  }
  EXPECT_EQ(Lines("a\n\nb"), (Strings{"a", "", "b"}));
  EXPECT_EQ(Lines(""), Strings{});
  EXPECT_EQ(Lines("h1\rh2\rab", kAuto, 2), Strings{"ab"});
  EXPECT_EQ(Lines("h1\nab", kAuto, 5), Strings{});
}

TEST(TextReader, AByteOrderMarkDecidesAndIsNeverText) {
  TextEncoding decided;
  EXPECT_EQ(Lines("\xEF\xBB\xBFid;n\xC3\xA9\n", kAuto, 0, &decided), Strings{"id;n\u00E9"});
  EXPECT_EQ(decided, TextEncoding::Utf8);
  // UTF-16 big-endian (little-endian with its mark is imported by the first-contact test).
  EXPECT_EQ(Lines(Utf16(u"x\ny", true, true)), (Strings{"x", "y"}));
  // Named explicitly, a matching mark is passed over too; one of another encoding is text.
  EXPECT_EQ(Lines("\xEF\xBB\xBFok\n", TextEncoding::Utf8), Strings{"ok"});
  EXPECT_EQ(Lines("\xEF\xBB\xBFok\n", TextEncoding::Windows1252), Strings{"\u00EF\u00BB\u00BFok"});
  EXPECT_EQ(Lines(Utf16(u"\U0001F600!", true, false), TextEncoding::Utf16BE),
            Strings{"\U0001F600!"});
}

TEST(TextReader, WithoutAMarkTheTextAfterItsFirstNonAsciiByteDecides) {
  TextEncoding decided;
  EXPECT_EQ(Lines(std::string(100000, 'a') + "\nC\xC3\xB4te\n", kAuto, 0, &decided).back(),
            "C\u00F4te");
  EXPECT_EQ(decided, TextEncoding::Utf8);
  // A UTF-8 sequence cut by the end of the 64 KiB window does not count against UTF-8.
  const std::string cut = "\xC3\xA9" + std::string((64 << 10) - 3, 'x') + "\xE2\x82\xAC\n";
  EXPECT_EQ(Lines(cut, kAuto, 0, &decided).size(), 1u);
  EXPECT_EQ(decided, TextEncoding::Utf8);
  // Windows-1252: € at 0x80, Ÿ at 0x9F, and an undefined byte as its C1 control.
  EXPECT_EQ(Lines("Citt\xE0;\x80\x9F\x81\n", kAuto, 0, &decided),
            Strings{"Citt\u00E0;\u20AC\u0178\u0081"});
  EXPECT_EQ(decided, TextEncoding::Windows1252);
}

// (In UTF-8: the command line's test, which logs such a line.)
TEST(TextReader, ALineNotValidInTheEncodingIsMarkedNotMangled) {
  EXPECT_EQ(Lines(Utf16(u"a\n\xD800x\nb")), (Strings{"a", "!\uFFFDx", "b"}));
}

TEST(TextReader, ALineOverTheCapIsPassedOverNotKept) {
  const std::string huge(kMaxRecordBytes + 10, 'x'), big(kMaxRecordBytes - 1, 'y');
  EXPECT_EQ(Lines("a\n" + huge + "\r\nb\n"), (Strings{"a", "<too long>", "b"}));
  EXPECT_EQ(Lines(huge), Strings{"<too long>"});
  EXPECT_EQ(Lines(big + "\nz"), (Strings{big, "z"}));  // just under the cap: a line like any
}

// Records of a ';'-separated file with '"' as text delimiter, as "state:lines:text".
Strings Records(const std::string& bytes) {
  test::TempDir dir;
  test::WriteFile(dir.file("r.txt"), bytes);
  TextReader reader(dir.file("r.txt"), kAuto);
  const QuoteRule rule = QuoteRuleOf(MakeDelimitedLayout(";", "\"", 0));
  RecordReader records(reader, &rule);
  Strings out;
  for (Record r; records.Next(r);) {
    const char* state = r.state == Record::State::OpenQuote ? "open:"
                        : r.state == Record::State::TooLong ? "long:"
                                                            : "";
    out.push_back(state + std::to_string(r.lines) + ":" + std::string(r.text));
  }
  return out;
}

// Line ends of every kind inside quotes, and a quote never closed, are imported by the command
// line's test (a CSV as spreadsheets write it); these are the corners.
TEST(RecordReader, QuotesThatKeepARecordGoingOrNot) {
  // A doubled delimiter at the line's end keeps the field open.
  EXPECT_EQ(Records("\"x\"\"\nmore\";1\n"), Strings{"2:\"x\"\"\nmore\";1"});
  // A delimiter that does not begin its field opens nothing.
  EXPECT_EQ(Records("5'10\";x\n  \"a;b\n"), (Strings{"1:5'10\";x", "1:  \"a;b"}));
  // Past the cap of file bytes, an unclosed record is reported as too long.
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
