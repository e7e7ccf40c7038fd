#include "bench_sqlite.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <thread>

namespace vandrel_bench {

Db::Db(const fs::path& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
    std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw std::runtime_error("cannot open " + path.string() + ": " + msg);
  }
}

void Db::exec(const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "unknown error";
    sqlite3_free(err);
    throw std::runtime_error(msg);
  }
}

std::int64_t Db::scalar(const char* sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db_));
  std::int64_t value = -1;
  if (sqlite3_step(st) == SQLITE_ROW) value = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  return value;
}

void create_database(const fs::path& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(path.string() + suffix);
  Db db(path);
  db.exec(
      "CREATE TABLE Items(id INTEGER, name VARCHAR(40), born DATE, amount DECIMAL(10,2),"
      " code CHAR(2), note VARCHAR(60));"
      "CREATE TABLE Errors(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);");
  // The shell's .import treats line 1 as a header when it has to create the table.
  if (db.scalar("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='Items'") != 1)
    throw std::runtime_error("table Items missing in " + path.string());
}

const fs::path& Bench::file_of(Kind kind) const {
  switch (kind) {
    case Kind::Fixed:
      return files_.fixed;
    case Kind::Bad:
      return files_.bad;
    case Kind::Csv:
      return files_.csv;
    case Kind::Utf8:
      return files_.utf8;
    case Kind::Italian:
      return files_.italian;
    default:
      return files_.delimited;
  }
}

void Bench::run_peer(Kind kind) {
  const fs::path& file = file_of(kind);
  // -init /dev/null keeps a ~/.sqliterc from changing the shell's behaviour.
  std::vector<std::string> args{opt_.sqlite3.string(),
                                "-init",
                                "/dev/null",
                                "",
                                "-cmd",
                                ".mode csv",
                                "-cmd",
                                kind == Kind::Csv ? ".separator ," : ".separator ;",
                                ".import " + shell_quote(file.string()) + " Items"};
  // The shell stores every line; a non-numeric id simply becomes text.
  measure(
      "sqlite3", kind, args, static_cast<std::int64_t>(opt_.lines), 0,
      [](int status) { return status == 0; }, "");
}

void Bench::run_vandrel(Kind kind) {
  std::vector<std::string> args = vandrel_args(kind, file_of(kind));
  auto bad = static_cast<std::int64_t>(kind == Kind::Bad ? files_.bad_lines : 0);
  measure(
      "vandrel", kind, args, static_cast<std::int64_t>(opt_.lines) - bad, bad,
      [](int status) { return status == 0 || status == 3; }, "vandrel import");
}

// `vandrel import` of `file` as a file of this kind; its database (argument 3) left empty.
std::vector<std::string> Bench::vandrel_args(Kind kind, const fs::path& file) const {
  std::string layout = kind == Kind::Fixed ? "bench_fixed"
                       : kind == Kind::Csv ? "bench_csv"
                                           : "bench_delimited";
  std::vector<std::string> args{opt_.vandrel.string(),
                                "import",
                                "--db",
                                "",
                                "--table",
                                "Items",
                                "--errors",
                                "Errors",
                                "--file",
                                file.string(),
                                "--language",
                                "en"};
  if (kind != Kind::Guessed) {  // a guessed import names no layout and no type
    const std::string type = kind == Kind::Fixed ? "fixed" : "delimited";
    args.insert(args.end(),
                {"--type", type, "--spec", layout, "--specs-dir", specs_dir().string()});
  }
  for (const char* f : {"id|id||||0", "name|name||||1", "born|born||||2", "amount|amount||||3",
                        "code|code||||4", "note|note||||5"}) {
    args.push_back("--field");
    args.push_back(f);
  }
  if (kind == Kind::Italian) {
    for (const char* a : {"--decimal", ",", "--dates", "DMY"}) args.push_back(a);
  }
  return args;
}

// Saves the layouts in the work folder; false when vandrel refuses one.
bool Bench::add_layouts() {
  fs::remove_all(specs_dir());
  fs::create_directories(specs_dir());
  std::string columns;
  int begin = 1;
  for (int w : kWidths) {
    if (!columns.empty()) columns += ',';
    columns += std::to_string(begin) + '-' + std::to_string(begin + w - 1);
    begin += w;
  }
  const std::vector<std::vector<std::string>> commands{
      {"bench_delimited", "--kind", "delimited", "--separator", ";", "--delimiter", "{NONE}"},
      {"bench_fixed", "--kind", "fixed", "--columns", columns, "--separator", "{NONE}",
       "--delimiter", "{NONE}"},
      {"bench_csv", "--kind", "delimited", "--separator", ",", "--delimiter", "\""},
  };
  bool ok = true;
  for (const auto& cmd : commands) {
    std::vector<std::string> args{opt_.vandrel.string(), "specs", "add"};
    args.insert(args.end(), cmd.begin(), cmd.end());
    for (const char* a : {"--skip", "0", "--language", "en", "--specs-dir"}) args.push_back(a);
    args.push_back(specs_dir().string());
    fs::path log = opt_.work / ("specs-add-" + cmd[0] + ".log");
    RunResult r = run_child(args, log);
    if (r.status != 0) {
      std::printf("FAILED  vandrel specs add %s: exit %d (%s)\n%s", cmd[0].c_str(), r.status,
                  describe_vandrel_status(r.status).c_str(), read_log(log).c_str());
      if (r.status == 64)
        std::printf(
            "        (exit 64: this vandrel build does not know `specs add`"
            " yet or refuses its arguments)\n");
      ok = false;
      failed_ = true;
    }
  }
  return ok;
}

void Bench::measure(const std::string& contender, Kind kind, std::vector<std::string> args,
                    std::int64_t want_rows, std::int64_t want_errors, bool (*accepted)(int),
                    const std::string& what) {
  std::string stem = contender + "-" + stem_of(kind);
  fs::path db = opt_.work / (stem + ".db");
  fs::path log = opt_.work / (stem + ".log");
  create_database(db);
  args[3] = db.string();

  std::printf("running %-8s on %-19s ... ", contender.c_str(), kind_name(kind));
  std::fflush(stdout);
  RunResult r = run_child(args, log);
  Row row{contender, kind};
  if (r.signal != 0 || !accepted(r.status)) {
    if (r.signal != 0)
      std::printf("FAILED: killed by signal %d\n", r.signal);
    else if (!what.empty())
      std::printf("FAILED: %s exited %d (%s)\n", what.c_str(), r.status,
                  describe_vandrel_status(r.status).c_str());
    else
      std::printf("FAILED: exit %d\n", r.status);
    std::printf("%s", read_log(log).c_str());
    if (!what.empty() && r.status == 64)
      std::printf(
          "    (exit 64: this vandrel build does not know `import` yet"
          " or refuses its arguments)\n");
    failed_ = true;
    rows_.push_back(row);
    return;
  }
  row.completed = true;
  row.lines_per_s = static_cast<double>(opt_.lines) / r.seconds;
  row.peak_mib = r.peak_mib;
  check(db, want_rows, want_errors, row);
  std::printf("%.2f s, exit %d%s%s\n", r.seconds, r.status, row.counts_ok ? "" : ", WRONG COUNT",
              row.values_ok ? "" : ", VALUES DIFFER FROM THE ISO RUN");
  if (!row.values_ok) failed_ = true;
  if (!row.counts_ok) {
    std::printf("    expected %lld rows and %lld error rows, got %lld and %lld\n",
                static_cast<long long>(want_rows), static_cast<long long>(want_errors),
                static_cast<long long>(row.rows), static_cast<long long>(row.errors));
    failed_ = true;
  }
  rows_.push_back(row);
}

void Bench::check(const fs::path& db, std::int64_t want_rows, std::int64_t want_errors,
                  Row& row) const {
  Db counted(db);
  row.rows = counted.scalar("SELECT count(*) FROM Items");
  row.errors = counted.scalar("SELECT count(*) FROM Errors");
  row.counts_ok = row.rows == want_rows && row.errors == want_errors;
  // What was stored is what was written: the characters of every name and note.
  if (row.kind == Kind::Csv || row.kind == Kind::Utf8) {
    const auto want =
        static_cast<std::int64_t>(row.kind == Kind::Csv ? files_.csv_chars : files_.utf8_chars);
    row.counts_ok =
        row.counts_ok &&
        counted.scalar("SELECT sum(length(name)) + sum(length(note)) FROM Items") == want;
  }
  if (row.kind == Kind::Italian) row.values_ok = same_values_as_iso(counted);
}

// Whether `db` holds, row for row, the values and storage types of vandrel's ISO run.
bool Bench::same_values_as_iso(Db& db) const {
  const fs::path iso = opt_.work / "vandrel-delimited.db";
  if (!fs::exists(iso)) return false;
  db.exec(("ATTACH " + sql_text(iso.string()) + " AS iso").c_str());
  const char* columns = "rowid, id, typeof(id), name, born, amount, typeof(amount), code, note";
  const std::string differ = std::string("SELECT count(*) FROM (SELECT ") + columns +
                             " FROM Items EXCEPT SELECT " + columns + " FROM iso.Items)";
  const std::string missing = std::string("SELECT count(*) FROM (SELECT ") + columns +
                              " FROM iso.Items EXCEPT SELECT " + columns + " FROM Items)";
  const bool same = db.scalar(differ) == 0 && db.scalar(missing) == 0;
  db.exec("DETACH iso");
  return same;
}

std::string Bench::sql_text(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

const Row* Bench::find(const char* contender, Kind kind) const {
  for (const Row& r : rows_)
    if (r.contender == contender && r.kind == kind && r.completed) return &r;
  return nullptr;
}

WriterResult measure_writer(const Bench& bench, const Options& opt, const fs::path& file,
                            std::uint64_t lines, const char* mode) {
  WriterResult result{lines, mode};
  const fs::path db = opt.work / (std::string("writer-") + mode + ".db");
  create_database(db);
  {
    Db setup(db);
    setup.exec("CREATE TABLE Notes(at INTEGER)");
    setup.exec((std::string("PRAGMA journal_mode = ") + mode).c_str());
  }
  std::vector<std::string> args = bench.vandrel_args(Kind::Delimited, file);
  args[3] = db.string();
  std::printf("running vandrel on %llu lines (%s journal) with another writer ... ",
              static_cast<unsigned long long>(lines), mode);
  std::fflush(stdout);

  sqlite3* writer = nullptr;
  sqlite3_open(db.c_str(), &writer);
  sqlite3_busy_timeout(writer, 5000);
  const Child child = start_child(args, opt.work / (std::string("writer-") + mode + ".log"));
  std::optional<RunResult> done;
  while (!(done = finish_child(child, false))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    const int rc = sqlite3_exec(writer, "INSERT INTO Notes VALUES (1)", nullptr, nullptr, nullptr);
    const double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++result.writes;
    if (rc != SQLITE_OK) ++result.failures;
    result.longest = std::max(result.longest, waited);
  }
  sqlite3_close(writer);
  result.import_ok = done->signal == 0 && (done->status == 0 || done->status == 3);
  result.import_seconds = done->seconds;
  std::printf("%.2f s, %d writes, longest wait %.3f s%s\n", done->seconds, result.writes,
              result.longest, result.failures ? ", A WRITE FAILED" : "");
  return result;
}

}  // namespace vandrel_bench
