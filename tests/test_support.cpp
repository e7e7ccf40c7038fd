#include "test_support.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "control/settings.h"
#include "vandrel/host_hooks.h"

namespace vandrel::test {

TempDir::TempDir() {
  std::string name = (std::filesystem::temp_directory_path() / "vandrel-test-XXXXXX").string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("no temporary folder: " + name);
  path_ = name;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void ResetControl() {
  settings() = Settings{};
  hostHooks().mousePointer = nullptr;
  hostHooks().progress = nullptr;
  hostHooks().bytesRead = nullptr;
}

AsUnprivileged::AsUnprivileged(bool really) {
  if (!really || ::geteuid() != 0) return;
  constexpr uid_t kNobody = 65534;
  ok_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
  switched_ = true;
}

AsUnprivileged::~AsUnprivileged() {
  if (!switched_) return;
  if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
}

namespace {

// The full disk: a thin layer over the default file system whose files pass every call on,
// except a main database write past the limit.
struct FullDiskFile {
  sqlite3_file base;
  sqlite3_file* real;  // the default file system's file, just after this struct
  bool mainDb;
};

sqlite3_vfs* gRealVfs = nullptr;
sqlite3_vfs gFullVfs;
long long gLimit = 0;

sqlite3_file* Real(sqlite3_file* f) {
  return reinterpret_cast<FullDiskFile*>(f)->real;
}

const sqlite3_io_methods kFullDiskMethods = {
    1,
    [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); },
    [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
      return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
    },
    [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
      if (reinterpret_cast<FullDiskFile*>(f)->mainDb && offset + amount > gLimit) {
        sqlite3_int64 size = 0;
        Real(f)->pMethods->xFileSize(Real(f), &size);
        if (offset + amount > size) return SQLITE_FULL;  // only growing needs room
      }
      return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
    },
    [](sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); },
    [](sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); },
    [](sqlite3_file* f, sqlite3_int64* size) {
      return Real(f)->pMethods->xFileSize(Real(f), size);
    },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); },
    [](sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); },
    [](sqlite3_file* f, int op, void* arg) {
      return Real(f)->pMethods->xFileControl(Real(f), op, arg);
    },
    [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int FullDiskOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                 int* outFlags) {
  auto* f = reinterpret_cast<FullDiskFile*>(file);
  f->real = reinterpret_cast<sqlite3_file*>(f + 1);
  f->mainDb = (flags & SQLITE_OPEN_MAIN_DB) != 0;
  const int rc = gRealVfs->xOpen(gRealVfs, name, f->real, flags, outFlags);
  f->base.pMethods = rc == SQLITE_OK && f->real->pMethods ? &kFullDiskMethods : nullptr;
  return rc;
}

}  // namespace

FullDisk::FullDisk(long long limit) {
  gRealVfs = sqlite3_vfs_find(nullptr);
  gFullVfs = *gRealVfs;
  gFullVfs.zName = "vandrel-full-disk";
  gFullVfs.szOsFile = static_cast<int>(sizeof(FullDiskFile)) + gRealVfs->szOsFile;
  gFullVfs.xOpen = FullDiskOpen;
  gLimit = limit;
  sqlite3_vfs_register(&gFullVfs, 1);
}

FullDisk::~FullDisk() {
  sqlite3_vfs_register(gRealVfs, 1);
  sqlite3_vfs_unregister(&gFullVfs);
}

std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  const auto collect = [](void* out, int n, char** values, char**) {
    auto& row = static_cast<std::vector<std::vector<std::string>>*>(out)->emplace_back();
    for (int i = 0; i < n; ++i) row.emplace_back(values[i] ? values[i] : "NULL");
    return 0;
  };
  sqlite3* db = nullptr;
  char* error = nullptr;
  int rc = sqlite3_open(path.c_str(), &db);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), collect, &rows, &error);
  const std::string message = error ? error : sqlite3_errmsg(db);
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(message);
  return rows;
}

void RunSql(const std::string& path, const std::string& sql) {
  Query(path, sql);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Utf16(std::u16string_view text, bool bigEndian, bool mark) {
  std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char16_t u : text) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

ImportRequest ImportInto(const std::string& db, const std::string& table,
                         const std::vector<std::string>& columns, const std::string& textFile) {
  ImportRequest request;
  request.textFile = textFile;
  request.target = {db, "", table, "Errori"};
  for (const std::string& column : columns) {
    InfoFieldRow& row = request.fields.emplace_back();
    row[kColumnName] = column;
    row[kAssociatedColumn] = std::to_string(request.lineFields++);
  }
  return request;
}

}  // namespace vandrel::test
