#include "store/postgres_refusal.h"

#include <charconv>

namespace vandrel::store {
namespace {

std::string Field(const PGresult* r, int code) {
  const char* v = r ? PQresultErrorField(r, code) : nullptr;
  return v ? v : "";
}

bool IsDigitChar(char c) {
  return c >= '0' && c <= '9';
}

// The context of a COPY's error has a line "COPY <relation>, line N[, column C[: "value"]]"
// (the word "line" in the server's language). Takes N and, when given, C.
void ReadCopyContext(std::string_view context, std::string_view relation, Refusal& out) {
  const std::string lead = "COPY " + std::string(relation) + ", ";
  for (std::size_t at = context.find(lead); at != std::string_view::npos;
       at = context.find(lead, at + 1)) {
    if (at > 0 && context[at - 1] != '\n') continue;
    std::string_view rest = context.substr(at + lead.size());
    rest = rest.substr(0, rest.find('\n'));
    const std::size_t digits = rest.find_first_of("0123456789");
    if (digits == std::string_view::npos) return;
    std::int64_t line = 0;
    auto [end, ec] = std::from_chars(rest.data() + digits, rest.data() + rest.size(), line);
    if (ec != std::errc() || line <= 0) return;
    out.line = line;
    // ", column C" follows the number when the server was reading a value.
    std::string_view after(end, static_cast<std::size_t>(rest.data() + rest.size() - end));
    if (after.starts_with(", ")) {
      after.remove_prefix(2);
      const std::size_t blank = after.find(' ');
      if (blank != std::string_view::npos && !IsDigitChar(after[0])) {
        std::string_view name = after.substr(blank + 1);
        name = name.substr(0, name.find(':'));
        if (out.column.empty()) out.column = std::string(name);
      }
    }
    return;
  }
}

}  // namespace

Refusal RefusalOf(const Link& link, const PGresult* failed, std::string_view relation) {
  Refusal r;
  r.error = link.ErrorOf(failed);
  const std::string state = Field(failed, PG_DIAG_SQLSTATE);
  r.rowOwn = !link.Lost() && !state.empty() && IsRowFailure(state);
  if (!r.rowOwn) return r;
  r.column = Field(failed, PG_DIAG_COLUMN_NAME);
  r.constraint = Field(failed, PG_DIAG_CONSTRAINT_NAME);
  r.schema = Field(failed, PG_DIAG_SCHEMA_NAME);
  r.table = Field(failed, PG_DIAG_TABLE_NAME);
  ReadCopyContext(Field(failed, PG_DIAG_CONTEXT), relation, r);
  return r;
}

const std::string& ConstraintColumns::Of(Link& link, const Refusal& refusal) {
  static const std::string kNone;
  if (refusal.constraint.empty() || refusal.table.empty()) return kNone;
  const std::string key = refusal.schema + '\n' + refusal.table + '\n' + refusal.constraint;
  if (auto found = known_.find(key); found != known_.end()) return found->second;
  // A constraint of the table (its columns), else a unique index of that name, which the
  // server names like a constraint.
  static constexpr const char* kSql =
      "WITH t AS (SELECT c.oid FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n "
      "ON n.oid = c.relnamespace WHERE n.nspname = $1 AND c.relname = $2), "
      "k AS (SELECT k.conkey AS cols FROM pg_catalog.pg_constraint k, t "
      "WHERE k.conrelid = t.oid AND k.conname = $3 UNION ALL "
      "SELECT i.indkey::int2[] FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class ic "
      "ON ic.oid = i.indexrelid, t WHERE i.indrelid = t.oid AND ic.relname = $3 LIMIT 1) "
      "SELECT string_agg(a.attname, ', ' ORDER BY u.n) FROM k, t, "
      "unnest(k.cols) WITH ORDINALITY u(attnum, n) JOIN pg_catalog.pg_attribute a "
      "ON a.attnum = u.attnum WHERE a.attrelid = t.oid";
  std::string columns;
  try {
    Result r = link.Run(kSql, {refusal.schema, refusal.table, refusal.constraint});
    if (PQntuples(r.get()) == 1 && !PQgetisnull(r.get(), 0, 0)) columns = PQgetvalue(r.get(), 0, 0);
  } catch (const Error&) {
    // Without the catalogue's word the refusal's text still names the key.
  }
  return known_[key] = columns;
}

}  // namespace vandrel::store
