// The PostgreSQL runs of the benchmark: on a throwaway cluster (a temporary folder under
// /tmp, a Unix socket only, fsync off for both contenders), `vandrel import` of the clean,
// the 1%-bad and the 0.1%-repeated-key file against psql's \copy of the clean file into the
// same table. Runs take turns over several rounds and each contender's quickest counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench.h"

namespace vandrel_bench {

// Rounds of the PostgreSQL runs, taken in turn; each contender's quickest counts.
inline constexpr int kPgRounds = 3;

class PgBench {
 public:
  PgBench(const Options& opt, const InputFiles& files) : opt_(opt), files_(files) {}
  PgBench(const PgBench&) = delete;
  PgBench& operator=(const PgBench&) = delete;
  ~PgBench();

  // Makes and starts the cluster and its database; false (having said why) when it cannot.
  bool start();
  // psql's \copy of the clean file (of the bad one: refused whole, as expected).
  void run_copy(Kind kind);
  void run_vandrel(Kind kind);
  // Prints the table and the ratios (bench_report.cpp); 1 when a run failed.
  int report() const;

 private:
  struct Row {
    std::string contender;
    Kind kind;
    bool completed = false;
    double seconds = 0, peak_mib = 0;
    std::int64_t rows = -1, errors = -1;
    bool counts_ok = false, same_rows = true;
  };

  std::string data() const { return dir_ + "/data"; }
  // The quickest of a contender's rounds on a file: on a shared machine the others only
  // measure what else was running.
  void Keep(const Row& row);
  bool fail(const std::string& why);
  static std::vector<std::string> as_server(std::vector<std::string> args);
  std::vector<std::string> psql_args(const std::string& db, const std::string& command) const;
  // Runs one command; its output (when asked) is the psql's standard output.
  bool psql(const std::string& db, const std::string& command, std::string* out = nullptr);
  void fresh_tables();
  void count(Row& row);
  std::string digest();
  const Row* find(const char* contender, Kind kind) const;
  void ratio(Kind mine, const char* label, double target) const;

  const Options& opt_;
  const InputFiles& files_;
  std::string dir_;
  bool started_ = false;
  bool failed_ = false;
  std::string copy_digest_;
  std::vector<Row> rows_;
};

}  // namespace vandrel_bench
