#include "engine/line_reader.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vandrel {
namespace {

using test::CatchError;

// Every non-empty line the reader returns after skipping `skip` lines.
std::vector<std::string> Lines(const std::string& bytes, std::int64_t skip = 0) {
  test::TempDir dir;
  test::WriteFile(dir.file("t.txt"), bytes);
  LineReader reader(dir.file("t.txt"));
  std::vector<std::string> lines;
  while (!reader.AtEnd()) {
    const std::string_view line = reader.preparariga(skip);
    if (!line.empty()) lines.emplace_back(line);
  }
  return lines;
}

using Strings = std::vector<std::string>;

TEST(LineReader, EveryLineEndAndALastLineWithoutOne) {
  EXPECT_EQ(Lines("ab\ncd\n"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\r\ncd\r\n"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\rcd\r"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\ncd"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines(""), Strings{});
  // A long line crosses the reader's buffer boundary intact.
  const std::string long_line(3'000'000, 'x');
  EXPECT_EQ(Lines("a\n" + long_line + "\nb"), (Strings{"a", long_line, "b"}));
}

TEST(LineReader, SkippingCountsAnyLineEndOnce) {
  EXPECT_EQ(Lines("head\nab\ncd\n", 1), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("head\r\nab\r\ncd\r\n", 1), (Strings{"ab", "cd"}));
  EXPECT_EQ(Lines("h1\rh2\rab\rcd", 2), (Strings{"ab", "cd"}));  // CR-only files import
  EXPECT_EQ(Lines("h1\r\nh2\r\nab", 2), (Strings{"ab"}));
  EXPECT_EQ(Lines("h1\nab", 5), Strings{});
  // The skip count is used up by the first read.
  test::TempDir dir;
  test::WriteFile(dir.file("t.txt"), "h\nab\ncd\n");
  LineReader reader(dir.file("t.txt"));
  std::int64_t skip = 1;
  EXPECT_EQ(reader.preparariga(skip), "ab");
  EXPECT_EQ(skip, 0);
}

TEST(LineReader, BytesPassAsTheyAre) {
  EXPECT_EQ(Lines("a;\"b;c\";d\n"), (Strings{"a;\"b;c\";d"}));
  EXPECT_EQ(Lines("\xE0\xFF\n"), (Strings{"\xE0\xFF"}));
}

TEST(LineReader, OnlyARegularFileIsRead) {
  test::TempDir dir;
  EXPECT_EQ(CatchError([&] { LineReader reader(dir.path().string()); }).number(), 53);
}

TEST(LineReader, AMissingFileIsAClearError) {
  test::TempDir dir;
  const Error e = CatchError([&] { LineReader reader(dir.file("none.txt")); });
  EXPECT_EQ(e.number(), 53);
  EXPECT_NE(e.description().find("none.txt"), std::string::npos);
}

}  // namespace
}  // namespace vandrel
