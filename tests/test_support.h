// Helpers for the core tests: a temporary folder removed afterwards, SQLite databases made
// from SQL, and queries read back as text.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vandrel/error.h"

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

// Creates (or extends) the database at `path` by running `sql`.
void RunSql(const std::string& path, const std::string& sql);

// Each row of the query's result, each value as text ("NULL" for a null).
std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql);

// Writes `bytes` to a file exactly.
void WriteFile(const std::string& path, const std::string& bytes);

// While it lives, file permissions bind the process: a superuser takes the effective user
// and group "nobody" (65534) and gets its own back at the end; anyone else stays as is.
// Files the test makes for this user must be made readable or writable for others.
class AsUnprivileged {
 public:
  AsUnprivileged();
  ~AsUnprivileged();
  AsUnprivileged(const AsUnprivileged&) = delete;
  AsUnprivileged& operator=(const AsUnprivileged&) = delete;
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
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;
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
