#include "bench_postgres.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace vandrel_bench {

PgBench::~PgBench() {
  if (!dir_.empty()) {
    if (started_) {
      run_child(
          as_server({(opt_.pg_bin / "pg_ctl").string(), "stop", "-D", data(), "-m", "fast", "-w"}),
          opt_.work / "pg-stop.log");
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
}

bool PgBench::start() {
  char tmpl[] = "/tmp/vandrel-bench-XXXXXX";
  if (!::mkdtemp(tmpl)) return fail("cannot make a temporary folder");
  dir_ = tmpl;
  if (::getuid() == 0) {
    // The server refuses to run as root: the folder goes to the package's postgres user.
    RunResult r = run_child({"/bin/chown", "postgres:postgres", dir_}, opt_.work / "pg-chown.log");
    if (r.status != 0) return fail("cannot hand " + dir_ + " to the postgres user");
  }
  const fs::path log = opt_.work / "pg-initdb.log";
  RunResult r = run_child(as_server({(opt_.pg_bin / "initdb").string(), "-D", data(), "-U",
                                     "vandrel", "-A", "trust", "-E", "UTF8", "--locale=C", "-N"}),
                          log);
  if (r.status != 0) return fail("initdb failed:\n" + read_log(log));
  // Settings both contenders share; durability is the same for both and beside the point.
  const std::string conf = "listen_addresses = ''\nunix_socket_directories = '" + dir_ +
                           "'\nfsync = off\nsynchronous_commit = off\nfull_page_writes = off\n";
  r = run_child(as_server({"/bin/sh", "-c", "cat >> \"$0\"", data() + "/postgresql.conf"}),
                opt_.work / "pg-conf.log", conf);
  if (r.status != 0) return fail("cannot write postgresql.conf");
  r = run_child(as_server({(opt_.pg_bin / "pg_ctl").string(), "start", "-D", data(), "-w", "-l",
                           dir_ + "/server.log"}),
                opt_.work / "pg-start.log");
  if (r.status != 0)
    return fail("the server did not start:\n" + read_log(opt_.work / "pg-start.log"));
  started_ = true;
  if (!psql("postgres", "CREATE DATABASE bench")) return fail("cannot create the database");
  return true;
}

void PgBench::run_copy(Kind kind) {
  const fs::path& file = kind == Kind::Bad ? files_.bad : files_.delimited;
  fresh_tables();
  const fs::path log =
      opt_.work / (std::string("psql-copy-") + (kind == Kind::Bad ? "bad" : "delimited") + ".log");
  std::printf("running %-8s on %-19s ... ", "\\copy", kind_name(kind));
  std::fflush(stdout);
  RunResult r = run_child(psql_args("bench", "\\copy items FROM '" + file.string() +
                                                 "' WITH (FORMAT text, DELIMITER ';')"),
                          log);
  Row row{"\\copy", kind};
  row.completed = r.status == 0 && r.signal == 0;
  row.seconds = r.seconds;
  row.peak_mib = r.peak_mib;
  count(row);
  if (kind == Kind::Bad) {
    // A typed COPY cannot pass over a bad line: the whole file is refused.
    std::printf("%s (%lld rows stored)\n", row.completed ? "loaded?!" : "refused, as expected",
                static_cast<long long>(row.rows));
    if (row.completed) failed_ = true;
    row.completed = false;
  } else {
    std::printf("%.2f s, exit %d\n", r.seconds, r.status);
    if (!row.completed) {
      std::printf("%s", read_log(log).c_str());
      failed_ = true;
    }
    row.counts_ok = row.rows == static_cast<std::int64_t>(opt_.lines) && row.errors == 0;
    copy_digest_ = digest();
  }
  Keep(row);
}

void PgBench::run_vandrel(Kind kind) {
  const fs::path& file = kind == Kind::Bad          ? files_.bad
                         : kind == Kind::Duplicates ? files_.duplicates
                                                    : files_.delimited;
  fresh_tables();
  std::vector<std::string> args{opt_.vandrel.string(),
                                "import",
                                "--db",
                                "postgresql://vandrel@/bench?host=" + dir_,
                                "--table",
                                "items",
                                "--errors",
                                "errors",
                                "--file",
                                file.string(),
                                "--type",
                                "delimited",
                                "--spec",
                                "bench_delimited",
                                "--language",
                                "en",
                                "--specs-dir",
                                (opt_.work / "layouts").string()};
  for (const char* f : {"id|id||||0", "name|name||||1", "born|born||||2", "amount|amount||||3",
                        "code|code||||4", "note|note||||5"}) {
    args.push_back("--field");
    args.push_back(f);
  }
  const fs::path log = opt_.work / (std::string("vandrel-pg-") + stem_of(kind) + ".log");
  std::printf("running %-8s on %-19s ... ", "vandrel", kind_name(kind));
  std::fflush(stdout);
  RunResult r = run_child(args, log);
  Row row{"vandrel", kind};
  row.completed = r.signal == 0 && (r.status == 0 || r.status == 3);
  row.seconds = r.seconds;
  row.peak_mib = r.peak_mib;
  count(row);
  const auto refused = static_cast<std::int64_t>(kind == Kind::Bad          ? files_.bad_lines
                                                 : kind == Kind::Duplicates ? files_.duplicate_lines
                                                                            : 0);
  row.counts_ok =
      row.rows == static_cast<std::int64_t>(opt_.lines) - refused && row.errors == refused;
  if (kind == Kind::Delimited && row.completed) row.same_rows = digest() == copy_digest_;
  std::printf("%.2f s, exit %d%s%s\n", r.seconds, r.status, row.counts_ok ? "" : ", WRONG COUNT",
              row.same_rows ? "" : ", ROWS DIFFER FROM \\copy'S");
  if (!row.completed) std::printf("%s", read_log(log).c_str());
  if (!row.completed || !row.counts_ok || !row.same_rows) failed_ = true;
  Keep(row);
}

void PgBench::fresh_tables() {
  // A primary key on id, for both contenders: the file with repeated ids has its repeats
  // refused by the server.
  psql("bench",
       "DROP TABLE IF EXISTS items, errors; "
       "CREATE TABLE items(id INTEGER PRIMARY KEY, name VARCHAR(40), born DATE, "
       "amount DECIMAL(10,2), code CHAR(2), note VARCHAR(60)); "
       "CREATE TABLE errors(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT); CHECKPOINT");
}

void PgBench::Keep(const Row& row) {
  for (Row& kept : rows_) {
    if (kept.contender != row.contender || kept.kind != row.kind) continue;
    if (row.completed && (!kept.completed || row.seconds < kept.seconds)) kept = row;
    return;
  }
  rows_.push_back(row);
}

bool PgBench::fail(const std::string& why) {
  std::printf("PostgreSQL runs skipped: %s\n", why.c_str());
  failed_ = true;
  return false;
}

std::vector<std::string> PgBench::as_server(std::vector<std::string> args) {
  if (::getuid() != 0) return args;
  args.insert(args.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
  return args;
}

std::vector<std::string> PgBench::psql_args(const std::string& db,
                                            const std::string& command) const {
  return {opt_.psql.string(), "-X", "-q", "-tA", "-v",   "ON_ERROR_STOP=1", "-h", dir_, "-U",
          "vandrel",          "-d", db,   "-c",  command};
}

bool PgBench::psql(const std::string& db, const std::string& command, std::string* out) {
  const fs::path log = opt_.work / "psql.log";
  RunResult r = run_child(psql_args(db, command), log);
  if (out) {
    std::ifstream in(log);
    std::getline(in, *out);
  }
  return r.status == 0;
}

void PgBench::count(Row& row) {
  std::string n;
  if (psql("bench", "SELECT count(*) FROM items", &n)) row.rows = std::atoll(n.c_str());
  if (psql("bench", "SELECT count(*) FROM errors", &n)) row.errors = std::atoll(n.c_str());
}

std::string PgBench::digest() {
  std::string d;
  psql("bench", "SELECT md5(string_agg(i::text, E'\\n' ORDER BY id)) FROM items i", &d);
  return d;
}

}  // namespace vandrel_bench
