#include "test_support.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace vandrel::test {

TempDir::TempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("vandrel-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

AsUnprivileged::AsUnprivileged() {
  if (::geteuid() != 0) return;
  constexpr uid_t kNobody = 65534;
  ok_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
  switched_ = true;
}

AsUnprivileged::~AsUnprivileged() {
  if (!switched_) return;
  if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
}

namespace {
sqlite3* Open(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    std::string message = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(message);
  }
  return db;
}
}  // namespace

void RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = Open(path);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(message);
}

std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql) {
  sqlite3* db = Open(path);
  sqlite3_stmt* stmt = nullptr;
  std::vector<std::vector<std::string>> rows;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      auto& row = rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const unsigned char* t = sqlite3_column_text(stmt, i);
        row.emplace_back(t ? reinterpret_cast<const char*>(t) : "NULL");
      }
    }
  }
  std::string message = sqlite3_errmsg(db);
  const bool ok = stmt != nullptr;
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  if (!ok) throw std::runtime_error(message);
  return rows;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace vandrel::test
