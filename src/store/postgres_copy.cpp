#include "store/postgres_copy.h"

#include <algorithm>
#include <utility>

#include "store/postgres_values.h"

namespace vandrel::store {
namespace {

// A resend goes out in pieces of about this size, with a look between them for the server's
// refusal, so that little is sent after a row the server has already refused.
constexpr std::size_t kResendPiece = 32 * 1024;
// While a batch streams, rows wait on this side until this much is ready to go: fewer, bigger
// writes to the socket (256 KiB against 64 KiB: about 5 % quicker in paired runs, 16 KiB no
// slower than 64 KiB; a batch holds 4 MiB at most anyway).
constexpr std::size_t kStreamPiece = 256 * 1024;
// Rows before a refused one that are sent again with the next piece rather than in a COPY of
// their own: each COPY in a transaction costs the server a set-up that grows with the COPY
// statements before it in the same transaction (PostgreSQL 15), so few rows are not worth one.
constexpr std::size_t kFewBefore = 256;
// After a refusal the rows go in pieces of an eighth of the distance since the previous one
// (at least 32 rows), doubling while the server takes them: a refusal undoes every row its COPY
// sent before it, and each COPY costs a round trip and the server's set-up. Measured on a file
// with a repeated key every thousand lines, against resending the whole rest each time: 25 %
// quicker, and about a fifth of the rows sent again.
constexpr std::size_t kMinPiece = 32;
constexpr std::size_t kPieceShare = 8;

// Where each COPY of a batch's resend ends: after a refusal, a piece sized from the distance
// since the previous refusal, so that the next refusal undoes few rows; after a clean piece,
// one twice as big, back towards the whole batch.
class Pieces {
 public:
  explicit Pieces(std::size_t rows) : rows_(rows), piece_(rows) {}

  // The rows before `from` are stored.
  std::size_t AfterStored(std::size_t from) {
    if (!prefixOnly_) piece_ = std::min(rows_, piece_ * 2);
    prefixOnly_ = false;
    return std::min(rows_, from + piece_);
  }

  // `row` was refused; those from `from` up to it passed. Many of them go on their own, so that
  // a later refusal cannot undo them again; a few go with the next piece, sparing a COPY.
  std::size_t AfterRefusal(std::size_t from, std::size_t row) {
    const std::size_t since = row >= lastRefused_ ? row + 1 - lastRefused_ : 1;
    piece_ = std::max(since / kPieceShare, kMinPiece);
    lastRefused_ = row + 1;
    prefixOnly_ = row - from > kFewBefore;
    return prefixOnly_ ? row : std::min(rows_, row + 1 + piece_);
  }

  // A refusal named no line: the COPY takes the first half of the rows it tried.
  std::size_t Halve(std::size_t half) {
    prefixOnly_ = true;
    return half;
  }

 private:
  std::size_t rows_;
  std::size_t piece_;
  std::size_t lastRefused_ = 0;
  bool prefixOnly_ = false;
};

// Whether a failure to open a binary COPY says the server takes no binary format (a server
// that speaks PostgreSQL's protocol without all of its COPY), rather than anything else.
bool RefusesBinary(const PGresult* r) {
  const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
  if (!state) return false;
  const std::string_view s(state);
  return s.starts_with("0A") || s == "42601" || s == "22023";
}

}  // namespace

std::string CopyBatch::CopySql() const {
  return "COPY " + target_.quoted + " (" + target_.columns + ") FROM STDIN" +
         (target_.binary ? " (FORMAT binary)" : "");
}

bool CopyBatch::Begin(const CopyTarget& target) {
  Clear();
  target_ = target;
  active_ = true;
  link_.Idle();  // another table's batch goes first
  if (link_.Lost()) {
    startError_ = link_.ErrorOf(nullptr);
    return true;
  }
  inTransaction_ = link_.InTransaction();
  savepoint_.emplace(link_, "vandrel_batch");
  Result r = savepoint_->Run(CopySql());
  if (PQresultStatus(r.get()) == PGRES_COPY_IN) {
    copying_ = true;
    link_.Streaming(&stream_, inTransaction_);
    if (target_.binary) Send(BinaryCopyHeader());
    return true;
  }
  if (target_.binary && RefusesBinary(r.get())) {
    savepoint_.reset();
    active_ = false;
    return false;
  }
  startError_ = link_.ErrorOf(r.get());
  const char* state = r ? PQresultErrorField(r.get(), PG_DIAG_SQLSTATE) : nullptr;
  if (!state || !IsRowFailure(state)) savepoint_->GiveUp();
  savepoint_.reset();
  return true;
}

void CopyBatch::EndRow(std::int64_t tag) {
  ends_.push_back(data_.size());
  tags_.push_back(tag);
  if (copying_ && data_.size() - sent_ >= kStreamPiece) {
    if (Send(std::string_view(data_).substr(sent_))) sent_ = data_.size();
  }
}

bool CopyBatch::Send(std::string_view bytes) {
  return PQputCopyData(link_.get(), bytes.data(), static_cast<int>(bytes.size())) == 1;
}

Result CopyBatch::EndCopy(const char* abandon) {
  copying_ = false;
  PGconn* conn = link_.get();
  Result failed;
  if (PQputCopyEnd(conn, abandon) != 1) failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
  while (PGresult* next = PQgetResult(conn)) {
    const bool stillCopying = PQresultStatus(next) == PGRES_COPY_IN;
    Result result(next);
    if (!failed && !Link::Ok(next)) failed = std::move(result);
    // Still copying means the end never reached the server: waiting would never end.
    if (link_.Lost() || stillCopying) break;
  }
  if (!failed && (link_.Lost() || abandon)) {
    failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
  }
  if (!failed) savepoint_->Succeeded();
  return failed;
}

Result CopyBatch::Attempt(std::size_t from, std::size_t& to) {
  attempted_.clear();
  for (std::size_t i = from; i < to; ++i) {
    if (!refused_[i]) attempted_.push_back(static_cast<std::uint32_t>(i));
  }
  if (attempted_.empty()) return nullptr;
  Result r = savepoint_->Run(CopySql());
  if (PQresultStatus(r.get()) != PGRES_COPY_IN) {
    return r ? std::move(r) : Result(PQmakeEmptyPGresult(link_.get(), PGRES_FATAL_ERROR));
  }
  copying_ = true;
  bool ok = !target_.binary || Send(BinaryCopyHeader());
  std::size_t sent = 0;  // of attempted_
  while (ok && sent < attempted_.size()) {
    // Runs of neighbouring rows go in one piece.
    const std::size_t begin = attempted_[sent] == 0 ? 0 : ends_[attempted_[sent] - 1];
    std::size_t end = ends_[attempted_[sent++]];
    while (sent < attempted_.size() && attempted_[sent] == attempted_[sent - 1] + 1 &&
           end - begin < kResendPiece) {
      end = ends_[attempted_[sent++]];
    }
    ok = Send(std::string_view(data_).substr(begin, end - begin));
    if (ok && sent < attempted_.size() && link_.ServerSpoke()) break;
  }
  if (ok && sent < attempted_.size()) {
    to = attempted_[sent];  // the rest goes in the next COPY
    attempted_.resize(sent);
  }
  if (ok && target_.binary) ok = Send(BinaryCopyTrailer());
  return EndCopy(ok ? nullptr : "the rows could not be sent");
}

void CopyBatch::Finish(ConstraintColumns& keys, std::vector<QueuedFailure>& failures) {
  if (!active_) return;
  if (startError_) {
    FailAll(*startError_, 0, failures);
    Clear();
    return;
  }
  link_.StreamEnded();
  refused_.assign(rows(), 0);
  attempted_.resize(rows());
  for (std::size_t i = 0; i < attempted_.size(); ++i) attempted_[i] = static_cast<std::uint32_t>(i);
  bool ok = Send(std::string_view(data_).substr(sent_));
  if (ok && target_.binary) ok = Send(BinaryCopyTrailer());
  Result failed = EndCopy(ok ? nullptr : "the rows could not be sent");
  Pieces pieces(rows());
  std::size_t from = 0, to = rows();
  while (failed || to < rows()) {
    if (!failed) {
      from = to;
      to = pieces.AfterStored(from);
      failed = Attempt(from, to);
      continue;
    }
    Refusal refusal = RefusalOf(link_, failed.get(), target_.relation);
    if (!refusal.rowOwn) {
      savepoint_->GiveUp();
      FailAll(refusal.error, from, failures);
      Clear();
      return;
    }
    std::size_t row;
    if (refusal.line > 0 && static_cast<std::size_t>(refusal.line) <= attempted_.size()) {
      row = attempted_[static_cast<std::size_t>(refusal.line - 1)];
    } else if (attempted_.size() == 1) {
      row = attempted_[0];
    } else {  // no line named: the culprit is in one half or the other
      to = pieces.Halve(attempted_[attempted_.size() / 2]);
      failed = Attempt(from, to);
      continue;
    }
    refused_[row] = 1;
    refusals_.emplace_back(row, std::move(refusal));
    to = pieces.AfterRefusal(from, row);
    failed = Attempt(from, to);
  }
  // With the savepoint let go the transaction is whole again, and the catalogue can name the
  // keys refused.
  savepoint_.reset();
  std::sort(refusals_.begin(), refusals_.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [row, refusal] : refusals_) {
    std::string column = refusal.column.empty() ? keys.Of(link_, refusal) : refusal.column;
    failures.push_back({tags_[row], std::move(refusal.error), std::move(column)});
  }
  Clear();
}

void CopyBatch::FailAll(const Error& error, std::size_t from,
                        std::vector<QueuedFailure>& failures) {
  // Inside a transaction every row went with it; outside one, those stored before stay.
  for (std::size_t i = 0; i < rows(); ++i) {
    const bool refused = !refused_.empty() && refused_[i];
    if (inTransaction_ || (i >= from && !refused)) {
      failures.push_back({tags_[i], error, {}});
    } else if (refused) {
      for (auto& [row, refusal] : refusals_) {
        if (row == i) failures.push_back({tags_[i], refusal.error, refusal.column});
      }
    }
  }
}

void CopyBatch::Abandon() {
  if (copying_) {
    link_.StreamEnded();
    EndCopy("the import stopped");
  }
  Clear();
}

void CopyBatch::Clear() {
  savepoint_.reset();
  active_ = copying_ = false;
  startError_.reset();
  data_.clear();
  sent_ = 0;
  ends_.clear();
  tags_.clear();
  refused_.clear();
  refusals_.clear();
}

}  // namespace vandrel::store
