#include "store/sqlite_support.h"

#include "vandrel/error.h"

namespace vandrel::store::sqlite {

std::string QuoteIdentifier(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

std::int32_t NumberFor(int extended) {
  switch (extended) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_ROWID:
      return kErrDuplicateKey;
    case SQLITE_CONSTRAINT_NOTNULL:
      return kErrRequired;
    case SQLITE_CONSTRAINT_CHECK:
    case SQLITE_CONSTRAINT_TRIGGER:
      return kErrValidation;
    case SQLITE_CONSTRAINT_FOREIGNKEY:
      return kErrForeignKey;
    default:
      break;
  }
  switch (extended & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kErrLocked;
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_CORRUPT:
      return kErrCannotOpen;
    case SQLITE_READONLY:
      return kErrReadOnly;
    default:
      return kErrStoreOther;
  }
}

void Fail(sqlite3* db, int rc, std::string prefix) {
  const int extended = db ? sqlite3_extended_errcode(db) : rc;
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw Error(NumberFor(extended), prefix.empty() ? message : prefix + message, kStoreSource);
}

Statement::Statement(sqlite3* db, std::string_view sql) {
  const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) Fail(db, rc);
}

Savepoint::Savepoint(sqlite3* db, const char* name) : db_(db), name_(name) {
  const int rc = sqlite3_exec(db_, ("SAVEPOINT " + name_).c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(db_, rc);
}

Savepoint::~Savepoint() {
  if (!set_ || sqlite3_get_autocommit(db_)) return;
  sqlite3_exec(db_, ("ROLLBACK TO " + name_ + "; RELEASE " + name_).c_str(), nullptr, nullptr,
               nullptr);
}

void Savepoint::Release() {
  set_ = false;
  sqlite3_exec(db_, ("RELEASE " + name_).c_str(), nullptr, nullptr, nullptr);
}

}  // namespace vandrel::store::sqlite
