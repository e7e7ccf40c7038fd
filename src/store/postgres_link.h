// The PostgreSQL store's connection: libpq behind the few calls the store makes, and the
// store's numbers for the server's SQLSTATEs.
#pragma once

#include <libpq-fe.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// The store's number for a SQLSTATE.
std::int32_t NumberForState(std::string_view state);

// Whether a failure is the row's own (its values against the table's types and constraints)
// rather than the statement's (a lock, a lost link, a read-only session), which would fail
// every other row the same way.
bool IsRowFailure(std::string_view state);

// The connection with the few ways this store talks to it.
class Link {
 public:
  explicit Link(PGconn* conn) : conn_(conn) {}
  ~Link() { PQfinish(conn_); }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  PGconn* get() const { return conn_; }
  bool Lost() const { return PQstatus(conn_) != CONNECTION_OK; }
  bool InTransaction() const { return PQtransactionStatus(conn_) == PQTRANS_INTRANS; }

  // The error a failed result (or none, when the link broke) stands for.
  Error ErrorOf(const PGresult* r) const {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    if (Lost() || !state) {
      std::string message = PQerrorMessage(conn_);
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

  static bool Ok(const PGresult* r) {
    const ExecStatusType s = PQresultStatus(r);
    return r && (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK);
  }

  Result Exec(const std::string& sql) { return Result(PQexec(conn_, sql.c_str())); }

  // Runs `sql`; throws its error.
  Result Run(const std::string& sql, std::initializer_list<std::string> params = {}) {
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    Result r(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                          values.data(), nullptr, nullptr, 0));
    if (!Ok(r.get())) throw ErrorOf(r.get());
    return r;
  }

  // Runs `sql` so that a failure undoes only itself: inside a transaction it runs in a
  // savepoint. When the failure is not the row's own the transaction is given up instead, so
  // the caller (InTransaction false) knows nothing more can be stored in it.
  void RunGuarded(const std::string& sql) {
    const bool inTransaction = InTransaction();
    Result r = Exec(inTransaction ? "SAVEPOINT vandrel_row; " + sql + "; RELEASE vandrel_row"
                                  : sql);
    if (Ok(r.get())) return;
    Error error = ErrorOf(r.get());
    if (inTransaction && !Lost()) Settle(r.get(), "vandrel_row");
    throw error;
  }

  // After a failure inside savepoint `name`: undoes the savepoint for a row's own failure,
  // else the whole transaction.
  void Settle(const PGresult* failed, const char* name) {
    const char* state = failed ? PQresultErrorField(failed, PG_DIAG_SQLSTATE) : nullptr;
    if (state && IsRowFailure(state)) {
      Result r = Exec(std::string("ROLLBACK TO ") + name + "; RELEASE " + name);
      if (Ok(r.get())) return;
    }
    Exec("ROLLBACK");
  }

  std::string Identifier(std::string_view name) const {
    char* quoted = PQescapeIdentifier(conn_, name.data(), name.size());
    if (!quoted) throw Error(kErrStoreOther, PQerrorMessage(conn_), kStoreSource);
    std::string out(quoted);
    PQfreemem(quoted);
    return out;
  }

  void AppendLiteral(std::string& out, std::string_view value) const {
    out += "E'";
    for (char c : value) {
      if (c == '\'' || c == '\\') out += c;
      out += c;
    }
    out += '\'';
  }

 private:
  PGconn* conn_;
};

}  // namespace vandrel::store
