#include "store/postgres_link.h"

#include <poll.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "vandrel/store.h"

namespace vandrel::store {

std::int32_t NumberForState(std::string_view state) {
  if (state == "23505") return kErrDuplicateKey;
  if (state == "23502") return kErrRequired;
  if (state == "23514") return kErrValidation;
  if (state == "23503") return kErrForeignKey;
  if (state == "22001") return kErrTooLong;
  if (state == "42703") return kErrNoColumn;
  if (state == "42P01") return kErrNoTable;
  if (state == "22P02" || state == "22003" || state == "22007" || state == "22008") {
    return kErrTypeConversion;
  }
  if (state == "28P01" || state == "28000") return kErrBadAccount;
  // The connection, or the server shutting down under it (57P01-57P03).
  if (state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03") {
    return kErrCannotConnect;
  }
  if (state == "55P03" || state == "40P01") return kErrLocked;
  if (state == "25006") return kErrReadOnly;
  return kErrStoreOther;
}

bool IsRowFailure(std::string_view state) {
  static constexpr std::string_view kRowClasses[] = {"22", "23", "27", "2F",
                                                     "38", "39", "44", "P0"};
  return std::any_of(std::begin(kRowClasses), std::end(kRowClasses),
                     [&](std::string_view c) { return state.substr(0, 2) == c; });
}

bool Link::InTransaction() const {
  if (Lost()) return false;
  if (stream_) return streamInTransaction_;
  return PQtransactionStatus(conn_) == PQTRANS_INTRANS;
}

void Link::Idle() {
  if (CopyStream* s = std::exchange(stream_, nullptr)) s->EndCopy();
}

Error Link::ErrorOf(const PGresult* r) const {
  const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
  if (Lost() || !state) {
    std::string message = conn_ ? PQerrorMessage(conn_) : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    return Error(kErrCannotConnect,
                 "The connection to the database server was lost" +
                     (message.empty() ? std::string(".") : ": " + message),
                 kStoreSource);
  }
  std::string message = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
  if (const char* detail = PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL)) {
    message += " (" + std::string(detail) + ")";
  }
  return Error(NumberForState(state), MaskPasswords(message), kStoreSource);
}

bool Link::Ok(const PGresult* r) {
  const ExecStatusType s = PQresultStatus(r);
  return r && (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK);
}

Result Link::Exec(const std::string& sql) {
  Idle();
  if (!conn_) throw Error(kErrStoreOther, "The database is closed.", kStoreSource);
  return Result(PQexec(conn_, sql.c_str()));
}

Result Link::Run(const std::string& sql, std::initializer_list<std::string> params) {
  Idle();
  if (!conn_) throw Error(kErrStoreOther, "The database is closed.", kStoreSource);
  std::vector<const char*> values;
  for (const std::string& p : params) values.push_back(p.c_str());
  Result r(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                        nullptr, nullptr, 0));
  if (!Ok(r.get())) throw ErrorOf(r.get());
  return r;
}

void Link::RunGuarded(const std::string& sql) {
  Savepoint savepoint(*this, "vandrel_row");
  Result r = savepoint.Run(sql);
  if (Ok(r.get())) return;
  Error error = ErrorOf(r.get());
  const char* state = r ? PQresultErrorField(r.get(), PG_DIAG_SQLSTATE) : nullptr;
  if (!state || !IsRowFailure(state)) savepoint.GiveUp();
  throw error;
}

bool Link::ServerSpoke() const {
  if (!conn_) return false;
  pollfd p{PQsocket(conn_), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

Savepoint::Savepoint(Link& link, const char* name)
    : link_(link), name_(name), inTransaction_(link.InTransaction()) {}

Savepoint::~Savepoint() {
  if (!set_ || link_.Lost()) return;
  if (PQtransactionStatus(link_.get()) == PQTRANS_IDLE) return;
  const std::string name(name_);
  PQclear(PQexec(link_.get(), ("ROLLBACK TO " + name + "; RELEASE " + name).c_str()));
}

Result Savepoint::Run(const std::string& sql) {
  if (!inTransaction_) return link_.Exec(sql);
  const std::string name(name_);
  Result r =
      link_.Exec((set_ ? "ROLLBACK TO " : "SAVEPOINT ") + name + "; " + sql + "; RELEASE " + name);
  set_ = !Link::Ok(r.get());
  return r;
}

void Savepoint::GiveUp() {
  set_ = false;
  if (inTransaction_ && !link_.Lost()) PQclear(PQexec(link_.get(), "ROLLBACK"));
}

std::string Link::Identifier(std::string_view name) const {
  char* quoted = PQescapeIdentifier(conn_, name.data(), name.size());
  if (!quoted) throw Error(kErrStoreOther, PQerrorMessage(conn_), kStoreSource);
  std::string out(quoted);
  PQfreemem(quoted);
  return out;
}

// An escape-string literal: only the quote and the backslash need doubling.
void Link::AppendLiteral(std::string& out, std::string_view value) {
  out += "E'";
  for (char c : value) {
    if (c == '\'' || c == '\\') out += c;
    out += c;
  }
  out += '\'';
}

void Link::Close() {
  if (!conn_) return;
  if (CopyStream* s = std::exchange(stream_, nullptr)) s->AbandonCopy();
  if (!Lost() && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
    PQclear(PQexec(conn_, "ROLLBACK"));
  }
  PQfinish(conn_);
  conn_ = nullptr;
}

}  // namespace vandrel::store
