#include "vandrel/spec_files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"
#include "vandrel/error.h"

namespace vandrel::specs {
namespace {

namespace fs = std::filesystem;
using test::CatchError;
using test::WriteFile;
using Names = std::vector<std::string>;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Blanks(std::size_t n) {
  return std::string(n, ' ');
}

// `text` padded with blanks to `width`.
std::string Padded(const std::string& text, std::size_t width) {
  return text + Blanks(width - text.size());
}

DelimitedSpecRecord Delimited(std::string name, std::int16_t skip = 0, std::string sep = ";",
                              std::string delim = "\"") {
  DelimitedSpecRecord r;
  r.SpecName = std::move(name);
  r.FieldSeparator = std::move(sep);
  r.TextDelimiter = std::move(delim);
  r.SkipLines = skip;
  return r;
}

FixedSpecRecord Fixed(std::string name, std::vector<std::pair<std::string, std::string>> fields,
                      std::int16_t skip = 0) {
  FixedSpecRecord r;
  r.SpecName = std::move(name);
  r.FieldSeparator = "{TAB}";
  r.SkipLines = skip;
  for (std::size_t j = 0; j < fields.size(); ++j) {
    r.FieldBegin[j] = fields[j].first;
    r.FieldEnd[j] = fields[j].second;
  }
  return r;
}

// The bytes of a delimited record, for files made by hand.
std::string DelimitedBytes(const std::string& name, std::int16_t skip = 0) {
  return EncodeRecord(Delimited(name, skip));
}

class SpecFilesTest : public ::testing::Test {
 protected:
  std::string folder() const { return dir_.path().string(); }
  std::string delimitedPath() const { return dir_.file("FlDlmtd"); }
  std::string fixedPath() const { return dir_.file("FlFxd"); }
  // Files in the folder besides the layout files and their lock files: temporaries a
  // delete left behind.
  Names Leftovers() const {
    Names names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      const std::string name = entry.path().filename().string();
      if (name != "FlDlmtd" && name != "FlFxd" && name != "FlDlmtd.lock" && name != "FlFxd.lock") {
        names.push_back(name);
      }
    }
    return names;
  }

  std::vector<std::int16_t> AppliedSkips(const std::string& name) const {
    std::vector<std::int16_t> skips;
    for (const auto& r : ApplyDelimited(folder(), name)) skips.push_back(r.SkipLines);
    return skips;
  }

 private:
  test::TempDir dir_;
};

// ---------------------------------------------------------------------------------------------
// Record bytes

TEST(SpecRecordBytes, DelimitedRecordIsTrimmedPaddedAndLittleEndian) {
  const std::string bytes = EncodeRecord(Delimited("  Orders ", 258, " ; ", "\""));
  EXPECT_EQ(bytes, Padded("Orders", 20) + Padded(";", 9) + Padded("\"", 9) + "\x02\x01");

  EXPECT_EQ(EncodeRecord(Delimited("N", -2)).substr(38), "\xFE\xFF");
  EXPECT_EQ(EncodeRecord(Delimited("N", -32768)).substr(38), std::string("\x00\x80", 2));
  EXPECT_EQ(EncodeRecord(Delimited("N", 0)).substr(38), std::string("\x00\x00", 2));

  // Too long: cut to the width, after the trim.
  const std::string cut =
      EncodeRecord(Delimited("   ABCDEFGHIJKLMNOPQRSTUVWXY", 0, "{SEMICOLON}", ""));
  EXPECT_EQ(cut.substr(0, 20), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(cut.substr(20, 9), "{SEMICOLO");
  EXPECT_EQ(cut.substr(29, 9), Blanks(9));
}

TEST(SpecRecordBytes, FixedRecordHasFourByteEntriesAndAZeroTail) {
  const std::string bytes =
      EncodeRecord(Fixed("Stock", {{"1", "4"}, {" 5 ", "11"}, {"12345", "9999"}}, -1));
  ASSERT_EQ(bytes.size(), kFixedRecordLength);

  std::string expected = Padded("Stock", 20) + Padded("{TAB}", 9) + Blanks(9) + "\xFF\xFF";
  expected += "1   5   1234" + Blanks(4 * 28);
  expected += "4   11  9999" + Blanks(4 * 28);
  expected += std::string(124, '\0');
  EXPECT_EQ(bytes, expected);
}

TEST(SpecRecordBytes, DecodesHandMadeBytes) {
  const std::string delimited =
      Padded("  Citt\xE0", 20) + Padded("{TAB}", 9) + Padded(" '", 9) + "\x39\x30";
  const DelimitedSpecRecord d = DecodeDelimited(delimited);
  EXPECT_EQ(d.SpecName, "Città");
  EXPECT_EQ(d.FieldSeparator, "{TAB}");
  EXPECT_EQ(d.TextDelimiter, "'");
  EXPECT_EQ(d.SkipLines, 0x3039);
  EXPECT_EQ(DecodeDelimited(Blanks(38) + std::string("\x00\x80", 2)).SkipLines, -32768);

  std::string fixed = Padded("Fx", 20) + Blanks(9) + Blanks(9) + "\xFF\x7F";
  fixed += " 7   12 " + Blanks(4 * 29);
  fixed += "  10 999" + Blanks(4 * 29);
  fixed += std::string(124, 'X');  // the reserved tail is never read
  ASSERT_EQ(fixed.size(), kFixedRecordLength);
  const FixedSpecRecord f = DecodeFixed(fixed);
  EXPECT_EQ(f.SpecName, "Fx");
  EXPECT_EQ(f.FieldSeparator, "");
  EXPECT_EQ(f.SkipLines, 32767);
  EXPECT_EQ(f.FieldBegin[0], "7");
  EXPECT_EQ(f.FieldBegin[1], "12");
  EXPECT_EQ(f.FieldEnd[0], "10");
  EXPECT_EQ(f.FieldEnd[1], "999");
  EXPECT_EQ(f.FieldBegin[2], "");
  EXPECT_EQ(f.FieldEnd[30], "");
}

TEST(SpecRecordBytes, TextIsStoredInWindows1252) {
  const std::string bytes = EncodeRecord(Delimited("Città", 0, "\u20AC", "\u4E2D"));
  EXPECT_EQ(bytes.substr(0, 20), Padded("Citt\xE0", 20));
  EXPECT_EQ(bytes.substr(20, 9), Padded("\x80", 9));
  EXPECT_EQ(bytes.substr(29, 9), Padded("?", 9));  // the code page has no 中
  EXPECT_EQ(DecodeDelimited(bytes).SpecName, "Città");

  // The width counts single-byte characters, not UTF-8 bytes.
  std::string accented;
  for (int i = 0; i < 22; ++i) accented += "à";
  EXPECT_EQ(EncodeRecord(Delimited(accented)).substr(0, 20), std::string(20, '\xE0'));
}

TEST(SpecRecordBytes, OnlyBlanksAreTrimmedSoATabSeparatorSurvives) {
  const DelimitedSpecRecord back = DecodeDelimited(EncodeRecord(Delimited("Tabs", 0, "\t")));
  EXPECT_EQ(back.FieldSeparator, "\t");
}

TEST(SpecRecordBytes, DecodingTheWrongLengthIsRefused) {
  EXPECT_EQ(CatchError([] { DecodeDelimited(Blanks(39)); }).number(), kErrSubscript);
  EXPECT_EQ(CatchError([] { DecodeFixed(Blanks(40)); }).number(), kErrSubscript);
}

// ---------------------------------------------------------------------------------------------
// Append

using SpecFileAppend = SpecFilesTest;

TEST_F(SpecFileAppend, FirstAppendWritesRecordOne) {
  EXPECT_EQ(SpecFilePath(SpecKind::Delimited, folder()), delimitedPath());
  EXPECT_EQ(SpecFilePath(SpecKind::Fixed, folder()), fixedPath());

  ASSERT_TRUE(Append(folder(), "Orders", Delimited("ignored", 3)));
  EXPECT_EQ(ReadBytes(delimitedPath()), DelimitedBytes("Orders", 3));

  const FixedSpecRecord fixed = Fixed("", {{"1", "8"}});
  ASSERT_TRUE(Append(folder(), "Stock", fixed));
  FixedSpecRecord named = fixed;
  named.SpecName = "Stock";
  EXPECT_EQ(ReadBytes(fixedPath()), EncodeRecord(named));
  EXPECT_EQ(fs::file_size(fixedPath()), kFixedRecordLength);

  // Each kind keeps its own file.
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), Names{"Orders"});
  EXPECT_EQ(ListNames(SpecKind::Fixed, folder()), Names{"Stock"});
}

TEST_F(SpecFileAppend, AnExactDuplicateIsRefusedAndNothingIsWritten) {
  ASSERT_TRUE(Append(folder(), "Orders", Delimited("", 1)));
  const std::string before = ReadBytes(delimitedPath());
  EXPECT_FALSE(Append(folder(), "Orders", Delimited("", 2)));
  EXPECT_EQ(ReadBytes(delimitedPath()), before);

  // Letter case counts here.
  EXPECT_TRUE(Append(folder(), "ORDERS", Delimited("", 3)));
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), (Names{"Orders", "ORDERS"}));

  ASSERT_TRUE(Append(folder(), "Stock", Fixed("", {})));
  EXPECT_FALSE(Append(folder(), "Stock", Fixed("", {{"1", "2"}})));
  EXPECT_EQ(fs::file_size(fixedPath()), kFixedRecordLength);
}

TEST_F(SpecFileAppend, TheTypedNameIsComparedUntrimmed) {
  ASSERT_TRUE(Append(folder(), " Orders ", Delimited("", 1)));
  ASSERT_TRUE(Append(folder(), " Orders ", Delimited("", 2)));
  EXPECT_FALSE(Append(folder(), "Orders", Delimited("", 3)));
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), (Names{"Orders", "Orders"}));
  EXPECT_EQ(AppliedSkips("Orders"), (std::vector<std::int16_t>{1, 2}));
}

TEST_F(SpecFileAppend, ALongNameIsCutAndDoesNotMatchItsCutForm) {
  const std::string longName = "Monthly sales by region 2024";
  const std::string cut = longName.substr(0, 20);
  ASSERT_TRUE(Append(folder(), longName, Delimited("")));
  ASSERT_TRUE(Append(folder(), longName, Delimited("")));
  EXPECT_FALSE(Append(folder(), cut, Delimited("")));
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), (Names{cut, cut}));
}

TEST_F(SpecFileAppend, APartialTrailingRecordIsIgnoredAndOverwritten) {
  WriteFile(delimitedPath(), DelimitedBytes("First") + "Second  garbage");
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), Names{"First"});
  EXPECT_TRUE(ApplyDelimited(folder(), "Second").empty());

  ASSERT_TRUE(Append(folder(), "Third", Delimited("", 7)));
  EXPECT_EQ(ReadBytes(delimitedPath()), DelimitedBytes("First") + DelimitedBytes("Third", 7));

  WriteFile(fixedPath(), std::string(kFixedRecordLength - 1, 'Z'));
  EXPECT_TRUE(ListNames(SpecKind::Fixed, folder()).empty());
  ASSERT_TRUE(Append(folder(), "Only", Fixed("", {})));
  EXPECT_EQ(ListNames(SpecKind::Fixed, folder()), Names{"Only"});
  EXPECT_EQ(fs::file_size(fixedPath()), kFixedRecordLength);
}

TEST_F(SpecFileAppend, AFullFileOverflows) {
  std::string full;
  for (int i = 0; i < 32767; ++i) full += DelimitedBytes(i == 32766 ? "Last" : "Same");
  WriteFile(delimitedPath(), full);

  EXPECT_FALSE(Append(folder(), "Last", Delimited("")));  // a duplicate is still just refused
  EXPECT_EQ(CatchError([&] { Append(folder(), "New", Delimited("")); }).number(), kErrOverflow);
  EXPECT_EQ(fs::file_size(delimitedPath()), full.size());
}

// ---------------------------------------------------------------------------------------------
// Apply, Find, ListNames

using SpecFileLookup = SpecFilesTest;

TEST_F(SpecFileLookup, ApplyReturnsEveryRecordOfThatExactNameInOrder) {
  WriteFile(delimitedPath(), DelimitedBytes("A", 1) + DelimitedBytes("b", 2) + Padded("   A", 38) +
                                 std::string("\x03\x00", 2) + DelimitedBytes("a", 4) +
                                 DelimitedBytes("A", 5));
  EXPECT_EQ(AppliedSkips("A"), (std::vector<std::int16_t>{1, 3, 5}));
  EXPECT_EQ(AppliedSkips("a"), (std::vector<std::int16_t>{4}));
  EXPECT_TRUE(AppliedSkips(" A").empty());
  EXPECT_TRUE(AppliedSkips("c").empty());

  ASSERT_TRUE(Append(folder(), "Fx", Fixed("", {{"1", "3"}})));
  ASSERT_TRUE(Append(folder(), "Other", Fixed("", {})));
  ASSERT_TRUE(Append(folder(), " Fx", Fixed("", {{"1", "3"}, {"4", "10"}})));
  const auto fixed = ApplyFixed(folder(), "Fx");
  ASSERT_EQ(fixed.size(), 2u);
  EXPECT_EQ(fixed[0].FieldBegin[1], "");
  EXPECT_EQ(fixed[1].FieldBegin[1], "4");
  EXPECT_EQ(fixed[1].FieldEnd[1], "10");
  EXPECT_EQ(fixed[1].FieldSeparator, "{TAB}");
}

TEST_F(SpecFileLookup, FindIgnoresLetterCaseAndReturnsTheFirst) {
  WriteFile(delimitedPath(), DelimitedBytes("Other", 9) + Padded("  orders", 38) +
                                 std::string("\x01\x00", 2) + DelimitedBytes("ORDERS", 2) +
                                 DelimitedBytes("Citt\xC3\xA0", 3));
  DelimitedSpecRecord found;
  ASSERT_TRUE(FindDelimited(folder(), "Orders", found));
  EXPECT_EQ(found.SpecName, "orders");
  EXPECT_EQ(found.SkipLines, 1);

  ASSERT_TRUE(FindDelimited(folder(), "CITTÀ", found));
  EXPECT_EQ(found.SkipLines, 3);

  EXPECT_FALSE(FindDelimited(folder(), " Orders", found));  // the host's name is not trimmed
  EXPECT_FALSE(FindDelimited(folder(), "Order", found));

  ASSERT_TRUE(Append(folder(), "Wide", Fixed("", {{"1", "2"}})));
  ASSERT_TRUE(Append(folder(), "WIDE", Fixed("", {{"5", "6"}})));
  FixedSpecRecord fixed;
  ASSERT_TRUE(FindFixed(folder(), "wide", fixed));
  EXPECT_EQ(fixed.FieldBegin[0], "1");
  EXPECT_FALSE(FindFixed(folder(), "narrow", fixed));
}

TEST_F(SpecFileLookup, FindDoesNotMatchACharacterTheFileCannotHold) {
  ASSERT_TRUE(Append(folder(), "\u4E2D", Delimited("")));  // stored as "?"
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), Names{"?"});
  DelimitedSpecRecord found;
  EXPECT_FALSE(FindDelimited(folder(), "\u4E2D", found));
  EXPECT_TRUE(FindDelimited(folder(), "?", found));
}

TEST_F(SpecFileLookup, FindWithAnEmptyNameFindsNothing) {
  WriteFile(delimitedPath(), Blanks(40));
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), Names{""});
  DelimitedSpecRecord found;
  EXPECT_FALSE(FindDelimited(folder(), "", found));
}

TEST_F(SpecFileLookup, ReadingAMissingFileLeavesAnEmptyOne) {
  DelimitedSpecRecord d;
  EXPECT_FALSE(FindDelimited(folder(), "Orders", d));
  ASSERT_TRUE(fs::exists(delimitedPath()));
  EXPECT_EQ(fs::file_size(delimitedPath()), 0u);
  EXPECT_FALSE(FindDelimited(folder(), "Orders", d));

  EXPECT_TRUE(ListNames(SpecKind::Fixed, folder()).empty());
  ASSERT_TRUE(fs::exists(fixedPath()));
  EXPECT_EQ(fs::file_size(fixedPath()), 0u);

  fs::remove(fixedPath());
  EXPECT_TRUE(ApplyFixed(folder(), "Orders").empty());
  EXPECT_EQ(fs::file_size(fixedPath()), 0u);
}

// ---------------------------------------------------------------------------------------------
// Delete

using SpecFileDelete = SpecFilesTest;

TEST_F(SpecFileDelete, RemovesEveryRecordOfThatNameAndKeepsTheOrder) {
  WriteFile(delimitedPath(), DelimitedBytes("A", 1) + DelimitedBytes("B", 2) +
                                 DelimitedBytes("A", 3) + DelimitedBytes("C", 4) +
                                 DelimitedBytes("a", 5));
  Delete(SpecKind::Delimited, folder(), "A");
  EXPECT_EQ(ReadBytes(delimitedPath()),
            DelimitedBytes("B", 2) + DelimitedBytes("C", 4) + DelimitedBytes("a", 5));
  EXPECT_EQ(Leftovers(), Names{});
}

TEST_F(SpecFileDelete, SurvivorsAreCopiedByteForByte) {
  // Reserved bytes that are not zero, as another writer might leave them, are kept.
  std::string odd = EncodeRecord(Fixed("Odd", {{"1", "2"}}));
  odd.replace(288, 3, "abc");
  const std::string gone = EncodeRecord(Fixed("Gone", {}));
  WriteFile(fixedPath(), gone + odd + gone);
  Delete(SpecKind::Fixed, folder(), "Gone");
  EXPECT_EQ(ReadBytes(fixedPath()), odd);
}

TEST_F(SpecFileDelete, DeletingTheOnlyRecordLeavesAnEmptyFile) {
  ASSERT_TRUE(Append(folder(), "Only", Fixed("", {{"1", "5"}})));
  Delete(SpecKind::Fixed, folder(), "Only");
  ASSERT_TRUE(fs::exists(fixedPath()));
  EXPECT_EQ(fs::file_size(fixedPath()), 0u);
}

TEST_F(SpecFileDelete, AnUnknownNameRewritesTheFileUnchangedButDropsAPartialRecord) {
  const std::string records = DelimitedBytes("X", 1) + DelimitedBytes("Y", 2);
  WriteFile(delimitedPath(), records);
  Delete(SpecKind::Delimited, folder(), "Z");
  EXPECT_EQ(ReadBytes(delimitedPath()), records);

  WriteFile(delimitedPath(), records + "partial");
  Delete(SpecKind::Delimited, folder(), "x");  // exact comparison: no record is called "x"
  EXPECT_EQ(ReadBytes(delimitedPath()), records);

  Delete(SpecKind::Fixed, folder(), "Anything");  // a missing file ends up existing and empty
  EXPECT_EQ(fs::file_size(fixedPath()), 0u);
  EXPECT_EQ(Leftovers(), Names{});
}

TEST_F(SpecFileDelete, OtherFilesInTheFolderNeverReachTheLayoutFile) {
  // A temporary file another delete left behind (the old fixed name, or one of its own form)
  // is neither reused nor removed.
  const std::string stale = DelimitedBytes("Ghost", 1);
  WriteFile(folder() + "/Scambio", stale);
  WriteFile(folder() + "/FlDlmtd.tmp.AAAAAA", stale);
  WriteFile(delimitedPath(), DelimitedBytes("Keep", 3) + DelimitedBytes("Drop", 4));
  Delete(SpecKind::Delimited, folder(), "Drop");
  EXPECT_EQ(ReadBytes(delimitedPath()), DelimitedBytes("Keep", 3));
  Names left = Leftovers();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Names{"FlDlmtd.tmp.AAAAAA", "Scambio"}));
}

TEST_F(SpecFileDelete, TheReplacementKeepsTheLayoutFilesPermissions) {
  WriteFile(delimitedPath(), DelimitedBytes("Keep", 3) + DelimitedBytes("Drop", 4));
  ASSERT_EQ(::chmod(delimitedPath().c_str(), 0664), 0);
  Delete(SpecKind::Delimited, folder(), "Drop");
  struct stat st {};
  ASSERT_EQ(::stat(delimitedPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST_F(SpecFileDelete, ATemporaryFileThatCannotBeMadeLeavesTheLayoutFileAlone) {
  const std::string records = DelimitedBytes("Keep", 3) + DelimitedBytes("Drop", 4);
  WriteFile(delimitedPath(), records);
  Delete(SpecKind::Delimited, folder(), "Nobody");  // makes the lock file
  for (const std::string& path : {delimitedPath(), delimitedPath() + ".lock"}) {
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  }
  ASSERT_EQ(::chmod(folder().c_str(), 0555), 0);  // nothing new can be made in it
  Error e(0);
  {
    test::AsUnprivileged unprivileged;
    ASSERT_TRUE(unprivileged.ok());
    e = CatchError([&] { Delete(SpecKind::Delimited, folder(), "Drop"); });
  }
  ::chmod(folder().c_str(), 0755);
  EXPECT_EQ(e.number(), kErrPathFileAccess);
  EXPECT_NE(e.description().find(folder()), std::string::npos) << e.description();
  EXPECT_EQ(ReadBytes(delimitedPath()), records);
  EXPECT_EQ(Leftovers(), Names{});
}

// ---------------------------------------------------------------------------------------------
// Several processes at once

// Runs every job in a child process of its own, all released together; returns how many
// children reported success.
int RunInParallel(const std::vector<std::function<bool()>>& jobs) {
  int release[2];
  if (::pipe(release) != 0) return -1;
  std::vector<pid_t> children;
  for (const auto& job : jobs) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(release[1]);
      char byte;
      while (::read(release[0], &byte, 1) < 0 && errno == EINTR) {
      }
      bool ok = false;
      try {
        ok = job();
      } catch (...) {
      }
      ::_exit(ok ? 0 : 1);
    }
    if (pid > 0) children.push_back(pid);
  }
  ::close(release[0]);
  ::close(release[1]);  // every child's read returns now
  int succeeded = 0;
  for (pid_t pid : children) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    succeeded += WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return succeeded;
}

std::string Numbered(const char* prefix, int n) {
  return prefix + std::to_string(100 + n);
}

using SpecFileConcurrency = SpecFilesTest;

TEST_F(SpecFileConcurrency, ParallelSavesAreAllKept) {
  constexpr int kProcesses = 40, kEach = 3;
  std::vector<std::function<bool()>> jobs;
  for (int p = 0; p < kProcesses; ++p) {
    jobs.push_back([this, p] {
      bool ok = true;
      for (int i = 0; i < kEach; ++i) {
        const std::string name = Numbered("S", p * kEach + i);
        ok = Append(folder(), name, Delimited(name)) && ok;
        ok = Append(folder(), name, Fixed(name, {{"1", "2"}})) && ok;
      }
      return ok;
    });
  }
  ASSERT_EQ(RunInParallel(jobs), kProcesses);
  for (SpecKind kind : {SpecKind::Delimited, SpecKind::Fixed}) {
    const Names names = ListNames(kind, folder());
    EXPECT_EQ(names.size(), std::size_t{kProcesses * kEach});
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(),
              std::size_t{kProcesses * kEach});
  }
}

TEST_F(SpecFileConcurrency, DeletesRacingSavesNeverLoseOneNorBringOneBack) {
  constexpr int kEach = 20;
  for (int i = 0; i < kEach; ++i) {
    ASSERT_TRUE(Append(folder(), Numbered("D", i), Delimited(Numbered("D", i))));
  }
  std::vector<std::function<bool()>> jobs;
  for (int i = 0; i < kEach; ++i) {
    jobs.push_back([this, i] {
      return Append(folder(), Numbered("A", i), Delimited(Numbered("A", i)));
    });
    jobs.push_back([this, i] {
      Delete(SpecKind::Delimited, folder(), Numbered("D", i));
      return true;
    });
  }
  ASSERT_EQ(RunInParallel(jobs), 2 * kEach);
  Names names = ListNames(SpecKind::Delimited, folder());
  std::sort(names.begin(), names.end());
  Names added;
  for (int i = 0; i < kEach; ++i) added.push_back(Numbered("A", i));
  EXPECT_EQ(names, added);
  EXPECT_EQ(Leftovers(), Names{});
}

// ---------------------------------------------------------------------------------------------
// File-system failures

// Runs every operation of both kinds against `folder`; each must fail with error 75 naming
// the file it could not use.
void ExpectEveryOperationRefused(const std::string& folder) {
  const auto refused = [&](SpecKind kind, auto&& operation) {
    const Error e = CatchError(operation);
    EXPECT_EQ(e.number(), kErrPathFileAccess) << e.description();
    EXPECT_NE(e.description().find(SpecFilePath(kind, folder)), std::string::npos)
        << e.description();
  };
  DelimitedSpecRecord d;
  FixedSpecRecord f;
  for (SpecKind kind : {SpecKind::Delimited, SpecKind::Fixed}) {
    refused(kind, [&] { ListNames(kind, folder); });
    refused(kind, [&] { Delete(kind, folder, "A"); });
  }
  refused(SpecKind::Delimited, [&] { ApplyDelimited(folder, "A"); });
  refused(SpecKind::Delimited, [&] { FindDelimited(folder, "A", d); });
  refused(SpecKind::Delimited, [&] { FindDelimited(folder, "", d); });
  refused(SpecKind::Delimited, [&] { Append(folder, "A", d); });
  refused(SpecKind::Fixed, [&] { ApplyFixed(folder, "A"); });
  refused(SpecKind::Fixed, [&] { FindFixed(folder, "A", f); });
  refused(SpecKind::Fixed, [&] { Append(folder, "A", f); });
}

using SpecFileAccess = SpecFilesTest;

TEST_F(SpecFileAccess, AMissingFolderIsAnAccessError) {
  const std::string missing = folder() + "/no such folder";
  ExpectEveryOperationRefused(missing);
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(SpecFileAccess, AFolderThatIsAFileIsAnAccessError) {
  const std::string notAFolder = folder() + "/plain";
  WriteFile(notAFolder, "x");
  ExpectEveryOperationRefused(notAFolder);
}

TEST_F(SpecFileAccess, ALayoutFileThatIsAFolderIsAnAccessError) {
  fs::create_directory(delimitedPath());
  fs::create_directory(fixedPath());
  ExpectEveryOperationRefused(folder());
  EXPECT_EQ(Leftovers(), (Names{}));
}

TEST_F(SpecFileAccess, AReadOnlyFolderIsAnAccessError) {
  ASSERT_EQ(::chmod(folder().c_str(), 0555), 0);
  {
    test::AsUnprivileged unprivileged;
    ASSERT_TRUE(unprivileged.ok());
    ExpectEveryOperationRefused(folder());
  }
  ::chmod(folder().c_str(), 0755);
}

}  // namespace
}  // namespace vandrel::specs
