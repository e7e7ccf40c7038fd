// One batch of rows for a table, sent with COPY ... FROM STDIN inside a savepoint: the rows
// stream to the server as they are added, and stay here until the server has taken them all.
// When it refuses one, its error names the line it stopped at: the savepoint undoes the COPY,
// that row is set aside with its error, and the others go again, those before it in a COPY of
// their own (they are known to pass; a few go with the rest) and the rest in pieces sized from
// how far apart the refusals come, so every refusal costs its own row and a resend of a few
// rows before it. A refusal that names no line (a foreign key,
// checked once the COPY is in) is found by halving. A failure that is not a row's own (a lost link,
// a lock) gives up the transaction, and every row of the batch fails with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/postgres_link.h"
#include "store/postgres_refusal.h"
#include "vandrel/store.h"

namespace vandrel::store {

// The table and columns a batch goes to, and in which format.
struct CopyTarget {
  std::string quoted;    // the table, schema-qualified and quoted
  std::string relation;  // its own name, as the server writes it in a COPY's context
  std::string columns;   // the quoted names of the columns each row gives, in order
  bool binary = false;
};

class CopyBatch {
 public:
  // The link outlives the batch; `stream` is told to end the COPY when another command needs
  // the link.
  CopyBatch(Link& link, CopyStream& stream) : link_(link), stream_(stream) {}

  // Opens the batch's COPY. False when the server refuses COPY's binary format: the batch is
  // not begun then. Any other failure to open is kept for the rows, which fail with it.
  bool Begin(const CopyTarget& target);
  bool active() const { return active_; }

  // The row being added: its bytes go at the end of data(), then EndRow.
  std::string& data() { return data_; }
  void EndRow(std::int64_t tag);
  std::size_t rows() const { return tags_.size(); }
  std::size_t bytes() const { return data_.size(); }

  // Ends the batch: every row is stored or has failed; the failures are added to `failures`,
  // in the order of the rows.
  void Finish(ConstraintColumns& keys, std::vector<QueuedFailure>& failures);
  // Ends the batch storing none of its rows (the import stopped).
  void Abandon();

 private:
  // One COPY of the rows from `from` to `to` not yet refused; null when it stored them all.
  // When the server spoke before all were sent, the COPY ends there and `to` moves back to
  // the first row not sent.
  Result Attempt(std::size_t from, std::size_t& to);
  // Ends the open COPY, abandoning it when `abandon` gives a reason; the first failure.
  Result EndCopy(const char* abandon);
  bool Send(std::string_view bytes);
  std::string CopySql() const;
  // Every row of the batch has failed: the rows from `from` on (all of them in a transaction,
  // which the failure gave up), and those refused before with their own errors.
  void FailAll(const Error& error, std::size_t from, std::vector<QueuedFailure>& failures);
  void Clear();

  Link& link_;
  CopyStream& stream_;
  CopyTarget target_;
  bool active_ = false;
  bool copying_ = false;
  bool inTransaction_ = false;
  std::optional<Savepoint> savepoint_;
  std::optional<Error> startError_;
  std::string data_;  // the rows in COPY's format, one after another
  std::size_t sent_ = 0;
  std::vector<std::size_t> ends_;  // where each row ends in data_
  std::vector<std::int64_t> tags_;
  std::vector<std::uint32_t> attempted_;  // the rows the current COPY sends, in order
  std::vector<char> refused_;
  std::vector<std::pair<std::size_t, Refusal>> refusals_;
};

}  // namespace vandrel::store
