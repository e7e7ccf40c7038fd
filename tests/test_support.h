// Helpers for the core tests: a temporary folder removed afterwards, SQLite databases made
// from SQL, and queries read back as text.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vandrel/error.h"
#include "vandrel/import.h"

namespace vandrel::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Puts the control's process-wide settings and the host's hooks back as they are when the
// process starts: no matrix, no database, no application folder of the host's, no import behind.
void ResetControl();

// Runs `sql` on the database at `path` (made when missing); the rows of its results, each
// value as text ("NULL" for a null).
std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql);
void RunSql(const std::string& path, const std::string& sql);

// Writes `bytes` to a file exactly; reads a whole file back.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// `text` in UTF-16, little-endian unless `bigEndian`, after a byte-order mark when `mark`.
std::string Utf16(std::u16string_view text, bool bigEndian = false, bool mark = true);

// A request importing `textFile` into `table` of the SQLite database `db`, error rows into its
// Errori: the fields of each line, in order, into `columns`.
ImportRequest ImportInto(const std::string& db, const std::string& table,
                         const std::vector<std::string>& columns, const std::string& textFile);

// While it lives (and `really`), file permissions bind the process: a superuser takes the
// effective user and group "nobody" (65534) and gets its own back at the end; anyone else stays
// as is. Files the test makes for this user must be made readable or writable for others.
class AsUnprivileged {
 public:
  explicit AsUnprivileged(bool really = true);
  ~AsUnprivileged();
  bool ok() const { return ok_; }  // false when the user could not be changed

 private:
  bool switched_ = false;
  bool ok_ = true;
};

// While it lives, SQLite databases opened in this process sit on a disk that is full beyond
// `limit` bytes: a write that would make a main database file longer fails with SQLITE_FULL,
// as on a real full disk. It installs itself as SQLite's default file system for its lifetime.
class FullDisk {
 public:
  explicit FullDisk(long long limit);
  ~FullDisk();
};

// Runs `f`, expecting a vandrel::Error; returns it (a failed expectation otherwise).
template <typename F>
Error CatchError(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no vandrel::Error was thrown";
  return Error(0, "none");
}

}  // namespace vandrel::test
