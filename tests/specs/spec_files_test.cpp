// The saved-layout files: their bytes exactly, what each operation finds, keeps and refuses,
// and several processes saving and deleting at once.
#include "vandrel/spec_files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "test_support.h"

namespace vandrel::specs {
namespace {

namespace fs = std::filesystem;
using test::CatchError;
using test::WriteFile;
using Names = std::vector<std::string>;
using Skips = std::vector<std::int16_t>;

// `text` padded with blanks to `width`.
std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), ' ');
}

DelimitedSpecRecord Delimited(std::string name, std::int16_t skip = 0, std::string sep = ";",
                              std::string delim = "\"") {
  return {std::move(name), std::move(sep), std::move(delim), skip};
}

FixedSpecRecord Fixed(std::string name, std::vector<std::pair<std::string, std::string>> fields,
                      std::int16_t skip = 0) {
  FixedSpecRecord r{std::move(name), "{TAB}", "", skip, {}, {}};
  for (std::size_t j = 0; j < fields.size(); ++j)
    std::tie(r.FieldBegin[j], r.FieldEnd[j]) = fields[j];
  return r;
}

// The bytes of a delimited record, for files made by hand.
std::string Bytes(const std::string& name, std::int16_t skip = 0) {
  return EncodeRecord(Delimited(name, skip));
}

TEST(SpecRecordBytes, DelimitedRecordIsTrimmedPaddedCutLittleEndianAndReadBack) {
  EXPECT_EQ(EncodeRecord(Delimited("  Orders ", 258, " ; ", "\"")),
            Padded("Orders", 20) + Padded(";", 9) + Padded("\"", 9) + "\x02\x01");
  EXPECT_EQ(Bytes("N", -2).substr(38), "\xFE\xFF");
  EXPECT_EQ(Bytes("N", -32768).substr(38), std::string("\x00\x80", 2));
  // Too long: cut to the width, after the trim.
  EXPECT_EQ(EncodeRecord(Delimited("   ABCDEFGHIJKLMNOPQRSTUVWXY", 0, "{SEMICOLON}", "")),
            "ABCDEFGHIJKLMNOPQRST{SEMICOLO" + Padded("", 9) + std::string(2, '\0'));
  // Only blanks are trimmed, so a tab separator survives.
  EXPECT_EQ(DecodeDelimited(EncodeRecord(Delimited("Tabs", 0, "\t"))).FieldSeparator, "\t");
  // Hand-made bytes decode field by field; a record of the wrong length is not decoded at all.
  const DelimitedSpecRecord d =
      DecodeDelimited(Padded("  Citt\xE0", 20) + Padded("{TAB}", 9) + Padded(" '", 9) + "\x39\x30");
  EXPECT_EQ(d.SpecName + d.FieldSeparator + d.TextDelimiter, "Città{TAB}'");
  EXPECT_EQ(d.SkipLines, 0x3039);
  EXPECT_EQ(CatchError([] { DecodeDelimited(Padded("", 39)); }).number(), kErrSubscript);
  EXPECT_EQ(CatchError([] { DecodeFixed(Padded("", 40)); }).number(), kErrSubscript);
}

TEST(SpecRecordBytes, FixedRecordHasFourByteEntriesAndAZeroTail) {
  std::string expected = Padded("Stock", 20) + Padded("{TAB}", 9) + Padded("", 9) + "\xFF\xFF";
  expected += Padded("1   5   1234", 4 * 31);
  expected += Padded("4   11  9999", 4 * 31);
  expected += std::string(124, '\0');
  EXPECT_EQ(EncodeRecord(Fixed("Stock", {{"1", "4"}, {" 5 ", "11"}, {"12345", "9999"}}, -1)),
            expected);
}

TEST(SpecRecordBytes, TextIsStoredInWindows1252) {
  const std::string bytes = EncodeRecord(Delimited("Città €™", 0, "\u0081", "\u4E2D"));
  EXPECT_EQ(bytes.substr(0, 20), Padded("Citt\xE0 \x80\x99", 20));
  EXPECT_EQ(bytes.substr(20, 18), Padded("\x81", 9) + Padded("?", 9));  // no 中 in the code page
  const DelimitedSpecRecord back = DecodeDelimited(bytes);
  EXPECT_EQ(back.SpecName, "Città €™");
  EXPECT_EQ(back.FieldSeparator, "\u0081");  // an undefined byte is its C1 control
  EXPECT_EQ(DecodeDelimited(Padded("\x9F\x8A", 40)).SpecName, "\u0178\u0160");  // Ÿ Š

  // One '?' per character the code page lacks and per byte that is not valid UTF-8: a cut
  // sequence, a lone lead or continuation byte, an overlong form, a surrogate half.
  EXPECT_EQ(Bytes("a\u4E2Db\U0001F600\u0080\xE0x\xC3").substr(0, 9), "a?b???x? ");
  EXPECT_EQ(Bytes("\xC3(\x80\xFF\xC1\x81\xE0\x83\xA0\xED\xA0\x80z").substr(0, 14),
            "?(" + std::string(10, '?') + "z ");
  // The width counts single-byte characters, not UTF-8 bytes.
  std::string accented;
  for (int i = 0; i < 22; ++i) accented += "à";
  EXPECT_EQ(EncodeRecord(Delimited(accented)).substr(0, 20), std::string(20, '\xE0'));
}

// Files in `folder` besides the layout files and their lock files: temporaries a delete left
// behind.
Names Leftovers(const std::string& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "FlDlmtd" && name != "FlFxd" && name != "FlDlmtd.lock" && name != "FlFxd.lock") {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

class SpecFilesTest : public ::testing::Test {
 protected:
  std::string folder() const { return dir_.path().string(); }
  std::string delimitedPath() const { return dir_.file("FlDlmtd"); }
  std::string fixedPath() const { return dir_.file("FlFxd"); }
  Skips AppliedSkips(const std::string& name) const {
    Skips skips;
    for (const auto& r : ApplyDelimited(folder(), name)) skips.push_back(r.SkipLines);
    return skips;
  }

 private:
  test::TempDir dir_;
};

// Each kind appends to its own file; a name stored exactly as typed (untrimmed, uncut,
// letter case counting) is refused and nothing is written.
TEST_F(SpecFilesTest, AppendRefusesOnlyANameStoredExactlyAsTyped) {
  ASSERT_TRUE(Append(folder(), "Orders", Delimited("ignored", 1)));
  ASSERT_TRUE(Append(folder(), "Stock", Fixed("", {{"1", "8"}})));
  EXPECT_FALSE(Append(folder(), "Orders", Delimited("", 2)));
  EXPECT_FALSE(Append(folder(), "Stock", Fixed("", {{"1", "2"}})));
  EXPECT_EQ(test::ReadFile(delimitedPath()), Bytes("Orders", 1));
  EXPECT_EQ(test::ReadFile(fixedPath()), EncodeRecord(Fixed("Stock", {{"1", "8"}})));
  EXPECT_TRUE(Append(folder(), "ORDERS", Delimited("", 3)));
  ASSERT_TRUE(Append(folder(), " Orders ", Delimited("", 4)));
  const std::string longName = "Monthly sales by region 2024", cut = longName.substr(0, 20);
  ASSERT_TRUE(Append(folder(), longName, Delimited("")));
  ASSERT_TRUE(Append(folder(), longName, Delimited("")));
  EXPECT_FALSE(Append(folder(), cut, Delimited("")));
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()),
            (Names{"Orders", "ORDERS", "Orders", cut, cut}));
  EXPECT_EQ(AppliedSkips("Orders"), (Skips{1, 4}));
}

TEST_F(SpecFilesTest, APartialTrailingRecordIsIgnoredAndOverwritten) {
  WriteFile(delimitedPath(), Bytes("First") + "Second  garbage");
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()), Names{"First"});
  EXPECT_TRUE(ApplyDelimited(folder(), "Second").empty());
  ASSERT_TRUE(Append(folder(), "Third", Delimited("", 7)));
  EXPECT_EQ(test::ReadFile(delimitedPath()), Bytes("First") + Bytes("Third", 7));

  WriteFile(fixedPath(), std::string(kFixedRecordLength - 1, 'Z'));
  EXPECT_TRUE(ListNames(SpecKind::Fixed, folder()).empty());
  ASSERT_TRUE(Append(folder(), "Only", Fixed("", {})));
  EXPECT_EQ(ListNames(SpecKind::Fixed, folder()), Names{"Only"});
  EXPECT_EQ(fs::file_size(fixedPath()), kFixedRecordLength);
}

// Every operation opens the file, making it empty when it is missing. Apply takes every record
// of the exact name, Find the first in any letter case (the silent import's rule).
TEST_F(SpecFilesTest, ApplyTakesTheExactNameAndFindTheFirstInAnyLetterCase) {
  DelimitedSpecRecord found;
  EXPECT_FALSE(FindDelimited(folder(), "A", found));
  Delete(SpecKind::Fixed, folder(), "A");
  EXPECT_EQ(fs::file_size(delimitedPath()) + fs::file_size(fixedPath()), 0u);
  WriteFile(delimitedPath(), Bytes("A", 1) + Bytes("b", 2) + Padded("   A", 38) +
                                 std::string("\x03\x00", 2) + Bytes("a", 4) + Bytes("A", 5) +
                                 Bytes("Citt\xC3\xA0", 6) + Padded("", 40));
  EXPECT_EQ(AppliedSkips("A"), (Skips{1, 3, 5}));
  EXPECT_EQ(AppliedSkips("a"), (Skips{4}));
  EXPECT_TRUE(AppliedSkips(" A").empty());
  ASSERT_TRUE(FindDelimited(folder(), "a", found));
  EXPECT_EQ(found.SkipLines, 1);
  ASSERT_TRUE(FindDelimited(folder(), "CITTÀ", found));
  EXPECT_EQ(found.SkipLines, 6);
  // The host's name is not trimmed, and an empty name finds not even a blank record.
  for (const char* none : {" A", "c", ""}) EXPECT_FALSE(FindDelimited(folder(), none, found));

  // Fixed records the same (the silent import finds one in any letter case from Python).
  ASSERT_TRUE(Append(folder(), "Fx", Fixed("", {{"1", "3"}})));
  ASSERT_TRUE(Append(folder(), "FX", Fixed("", {{"5", "6"}})));
  ASSERT_TRUE(Append(folder(), " Fx", Fixed("", {{"1", "3"}, {"4", "10"}})));
  const auto fixed = ApplyFixed(folder(), "Fx");
  ASSERT_EQ(fixed.size(), 2u);
  EXPECT_EQ(fixed[1].FieldEnd[1], "10");

  // A name the code page cannot hold is stored as '?' and found only as that.
  ASSERT_TRUE(Append(folder(), "\u4E2D", Delimited("")));
  EXPECT_EQ(ListNames(SpecKind::Delimited, folder()).back(), "?");
  EXPECT_FALSE(FindDelimited(folder(), "\u4E2D", found));
}

TEST_F(SpecFilesTest, DeleteKeepsEveryOtherWholeRecordByteForByte) {
  WriteFile(delimitedPath(), Bytes("A", 1) + Bytes("B", 2) + Bytes("A", 3) + Bytes("a", 5));
  Delete(SpecKind::Delimited, folder(), "A");
  EXPECT_EQ(test::ReadFile(delimitedPath()), Bytes("B", 2) + Bytes("a", 5));
  // No record of that name: the same records, without a partial one.
  WriteFile(delimitedPath(), Bytes("X", 1) + Bytes("Y", 2) + "partial");
  Delete(SpecKind::Delimited, folder(), "x");
  EXPECT_EQ(test::ReadFile(delimitedPath()), Bytes("X", 1) + Bytes("Y", 2));

  // Reserved bytes that are not zero, as another writer might leave them, are kept.
  std::string odd = EncodeRecord(Fixed("Odd", {{"1", "2"}}));
  odd.replace(288, 3, "abc");
  const std::string gone = EncodeRecord(Fixed("Gone", {}));
  WriteFile(fixedPath(), gone + odd + gone);
  Delete(SpecKind::Fixed, folder(), "Gone");
  EXPECT_EQ(test::ReadFile(fixedPath()), odd);
  Delete(SpecKind::Fixed, folder(), "Odd");
  EXPECT_EQ(fs::file_size(fixedPath()), 0u);
  // Temporary files another delete left behind (the old fixed name, or one of its own form)
  // are neither reused nor removed; the replacement keeps the layout file's permissions.
  WriteFile(folder() + "/Scambio", Bytes("Ghost", 1));
  WriteFile(folder() + "/FlDlmtd.tmp.AAAAAA", Bytes("Ghost", 1));
  WriteFile(delimitedPath(), Bytes("Keep", 3) + Bytes("Drop", 4));
  ASSERT_EQ(::chmod(delimitedPath().c_str(), 0664), 0);
  Delete(SpecKind::Delimited, folder(), "Drop");
  EXPECT_EQ(test::ReadFile(delimitedPath()), Bytes("Keep", 3));
  EXPECT_EQ(Leftovers(folder()), (Names{"FlDlmtd.tmp.AAAAAA", "Scambio"}));
  struct stat st {};
  ASSERT_EQ(::stat(delimitedPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST_F(SpecFilesTest, ATemporaryFileThatCannotBeMadeLeavesTheLayoutFileAlone) {
  const std::string records = Bytes("Keep", 3) + Bytes("Drop", 4);
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
  EXPECT_EQ(test::ReadFile(delimitedPath()), records);
  EXPECT_EQ(Leftovers(folder()), Names{});
}

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

// Saves of both kinds and deletes, each in a process of its own, all at once: no save is lost
// and no deleted layout comes back.
TEST_F(SpecFilesTest, SavesAndDeletesFromManyProcessesAtOnce) {
  constexpr int kEach = 30;
  Names added;
  std::vector<std::function<bool()>> jobs;
  for (int i = 0; i < kEach; ++i) {
    const std::string name = "A" + std::to_string(100 + i), doomed = "D" + name.substr(1);
    ASSERT_TRUE(Append(folder(), doomed, Delimited(doomed)));
    added.push_back(name);
    jobs.push_back([this, name] {
      return Append(folder(), name, Delimited(name)) && Append(folder(), name, Fixed(name, {}));
    });
    jobs.push_back([this, doomed] {
      Delete(SpecKind::Delimited, folder(), doomed);
      return true;
    });
  }
  ASSERT_EQ(RunInParallel(jobs), 2 * kEach);
  for (SpecKind kind : {SpecKind::Delimited, SpecKind::Fixed}) {
    Names names = ListNames(kind, folder());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, added);
  }
  EXPECT_EQ(Leftovers(folder()), Names{});
}

// A folder the layout files cannot be used in (missing, a file, read-only) or a layout file
// that is a folder: every operation of either kind fails with error 75 naming the file.
TEST_F(SpecFilesTest, EveryOperationRefusesAFolderItCannotUse) {
  const std::string missing = folder() + "/none", plain = folder() + "/plain";
  const std::string folders = folder() + "/folders", readOnly = folder() + "/read-only";
  WriteFile(plain, "x");
  fs::create_directories(folders + "/FlDlmtd");
  fs::create_directories(folders + "/FlFxd");
  fs::create_directory(readOnly);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
  for (const std::string& where : {missing, plain, folders, readOnly}) {
    test::AsUnprivileged unprivileged(where == readOnly);
    for (SpecKind kind : {SpecKind::Delimited, SpecKind::Fixed}) {
      const bool fixed = kind == SpecKind::Fixed;
      DelimitedSpecRecord d;
      FixedSpecRecord f;
      for (const std::function<void()>& operation : std::vector<std::function<void()>>{
               [&] { ListNames(kind, where); }, [&] { Delete(kind, where, "A"); },
               [&] { fixed ? (void)ApplyFixed(where, "A") : (void)ApplyDelimited(where, "A"); },
               [&] { fixed ? FindFixed(where, "A", f) : FindDelimited(where, "", d); },
               [&] { fixed ? Append(where, "A", f) : Append(where, "A", d); }}) {
        const Error e = CatchError(operation);
        EXPECT_EQ(e.number(), kErrPathFileAccess) << where;
        EXPECT_NE(e.description().find(SpecFilePath(kind, where)), std::string::npos) << where;
      }
    }
  }
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_EQ(Leftovers(folders), Names{});
}

}  // namespace
}  // namespace vandrel::specs
