// The SQLite runs of the benchmark: `vandrel import` against the sqlite3 shell's `.import`
// on each kind of file, each on a fresh database, and another writer's waits during an
// import.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench.h"

namespace vandrel_bench {

// A database the driver prepares and counts.
class Db {
 public:
  explicit Db(const fs::path& path);
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  ~Db() { sqlite3_close(db_); }

  void exec(const char* sql);
  std::int64_t scalar(const std::string& sql) { return scalar(sql.c_str()); }
  std::int64_t scalar(const char* sql);

 private:
  sqlite3* db_ = nullptr;
};

// A fresh database with the tables Items and Errors.
void create_database(const fs::path& path);

struct Row {
  std::string contender;
  Kind kind;
  bool completed = false;
  double lines_per_s = 0;
  double peak_mib = 0;
  std::int64_t rows = -1, errors = -1;
  bool counts_ok = false;
  bool values_ok = true;  // the Italian run: the same stored values as the ISO run
};

class Bench {
 public:
  // The targets on the clean and the 1%-bad file, lower under load, where the other files
  // have none.
  Bench(Options opt, InputFiles files, double clean_target, double bad_target, bool loaded)
      : opt_(std::move(opt)),
        files_(std::move(files)),
        clean_target_(clean_target),
        bad_target_(bad_target),
        loaded_(loaded) {}

  const fs::path& file_of(Kind kind) const;
  void run_peer(Kind kind);
  void run_vandrel(Kind kind);
  // `vandrel import` of `file` as a file of this kind; its database (argument 3) left empty.
  std::vector<std::string> vandrel_args(Kind kind, const fs::path& file) const;
  // Saves the layouts in the work folder; false when vandrel refuses one.
  bool add_layouts();
  // Prints the table and the ratios (bench_report.cpp); 1 when a run failed.
  int report(const char* title) const;

 private:
  fs::path specs_dir() const { return opt_.work / "layouts"; }
  void measure(const std::string& contender, Kind kind, std::vector<std::string> args,
               std::int64_t want_rows, std::int64_t want_errors, bool (*accepted)(int),
               const std::string& what);
  // Counts what a run stored into `row`, and checks its values where the kind has a check.
  void check(const fs::path& db, std::int64_t want_rows, std::int64_t want_errors, Row& row) const;
  bool same_values_as_iso(Db& db) const;
  static std::string sql_text(const std::string& s);
  const Row* find(const char* contender, Kind kind) const;
  void ratio(Kind mine, Kind peers, const char* label, double target) const;
  double other_target(double quiet) const { return loaded_ ? 0 : quiet; }

  Options opt_;
  InputFiles files_;
  double clean_target_, bad_target_;
  bool loaded_;
  std::vector<Row> rows_;
  bool failed_ = false;
};

// Another writer during an import: a connection with a 5 s busy timeout (vandrel's own
// default) inserting a row every 200 ms while `vandrel import` runs. Its longest wait, and
// whether a write failed.
struct WriterResult {
  std::uint64_t lines = 0;
  const char* mode = "";
  bool import_ok = false;
  double import_seconds = 0;
  int writes = 0, failures = 0;
  double longest = 0;  // seconds
};

WriterResult measure_writer(const Bench& bench, const Options& opt, const fs::path& file,
                            std::uint64_t lines, const char* mode);

}  // namespace vandrel_bench
