// The PostgreSQL store's connection: libpq behind the few calls the store makes, and the
// store's numbers for the server's SQLSTATEs.
#pragma once

#include <libpq-fe.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "vandrel/error.h"

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

// A recordset streaming rows with an open COPY. While one is open the connection takes no
// other command, so the link ends it before sending anything else.
class CopyStream {
 public:
  // Ends the COPY, keeping the outcome of its rows for the recordset's next Flush.
  virtual void EndCopy() = 0;
  // Ends the COPY storing nothing.
  virtual void AbandonCopy() = 0;

 protected:
  ~CopyStream() = default;
};

// The connection with the few ways this store talks to it. Recordsets share it with their
// database; once the database closes it, it is closed for them too.
class Link {
 public:
  explicit Link(PGconn* conn) : conn_(conn) {}
  ~Link() { Close(); }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  PGconn* get() const { return conn_; }
  bool Open() const { return conn_ != nullptr; }
  bool Lost() const { return !conn_ || PQstatus(conn_) != CONNECTION_OK; }
  // Inside a transaction that can still store rows (a streaming COPY counts as in the
  // transaction it began in).
  bool InTransaction() const;

  // An open COPY ends before any other command; these set and clear who holds it.
  void Streaming(CopyStream* stream, bool inTransaction) {
    stream_ = stream;
    streamInTransaction_ = inTransaction;
  }
  void StreamEnded() { stream_ = nullptr; }
  void Idle();

  // The error a failed result (or none, when the link broke) stands for.
  Error ErrorOf(const PGresult* r) const;
  static bool Ok(const PGresult* r);

  Result Exec(const std::string& sql);
  // Runs `sql`; throws its error.
  Result Run(const std::string& sql, std::initializer_list<std::string> params = {});
  // Runs `sql` so that a failure undoes only itself: inside a transaction it runs in a
  // savepoint. When the failure is not the row's own the transaction is given up instead, so
  // the caller (InTransaction false) knows nothing more can be stored in it.
  void RunGuarded(const std::string& sql);

  // Whether the server has sent something while a COPY streams to it (during COPY FROM it
  // only speaks to refuse a row, or with a notice): the rest need not be sent.
  bool ServerSpoke() const;

  std::string Identifier(std::string_view name) const;
  static void AppendLiteral(std::string& out, std::string_view value);

  // Abandons an open COPY, rolls back work not committed and closes the connection.
  void Close();

 private:
  PGconn* conn_;
  CopyStream* stream_ = nullptr;
  bool streamInTransaction_ = false;
};

// A savepoint of the link's transaction, as a guard: whatever was done under it and not let
// go is rolled back when the guard goes. Commands run under it share one round trip with
// setting (or rolling back to) the savepoint and with letting it go. Outside a transaction it
// guards nothing and commands run alone.
class Savepoint {
 public:
  Savepoint(Link& link, const char* name);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;

  // Runs `sql` under the savepoint: sets it (or, after a failure under it, rolls back to it),
  // runs `sql`, then lets it go, all in one query. The result is `sql`'s: for a COPY FROM
  // STDIN that is the start of the copy, and the savepoint is let go once the copy ends well
  // (say so with Succeeded).
  Result Run(const std::string& sql);
  // The COPY that Run started ended well, and the release that followed it too.
  void Succeeded() { set_ = false; }
  // After a failure that is not a row's own: the whole transaction is rolled back.
  void GiveUp();

 private:
  Link& link_;
  const char* name_;
  bool inTransaction_;
  bool set_ = false;
};

}  // namespace vandrel::store
