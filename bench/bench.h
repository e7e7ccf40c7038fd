// What the parts of the throughput benchmark share: its options, the kinds of input file and
// the files generated, and the running of contenders as child processes.
//
// vandrel_bench.cpp reads the options and runs the parts in turn: bench_files.cpp generates
// the input files, bench_sqlite.cpp measures the SQLite runs (and another writer during an
// import), bench_postgres.cpp the PostgreSQL runs, and bench_report.cpp prints what they
// found.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vandrel_bench {

namespace fs = std::filesystem;

struct Options {
  fs::path vandrel, sqlite3, work;
  fs::path pg_bin, psql;  // empty: no PostgreSQL runs
  std::uint64_t lines = 1'000'000;
  std::vector<std::uint64_t> writer_lines;  // the other-writer runs; none when empty
  bool quiet_only = false;                  // no runs under load
};

// The kinds of input file; Duplicates goes to PostgreSQL only.
// Guessed: the delimited file imported by the layout guessed from it, not by a saved one.
enum class Kind { Delimited, Fixed, Bad, Csv, Utf8, Italian, Duplicates, Guessed };

const char* kind_name(Kind k);
const char* stem_of(Kind k);

struct InputFiles {
  fs::path delimited, fixed, bad, csv, utf8, italian, duplicates;
  std::uint64_t bad_lines = 0;
  std::uint64_t duplicate_lines = 0;
  // Characters of every name and note written to the CSV and the UTF-8 file, to check that
  // what a run stored is what was written, quotes and all.
  std::uint64_t csv_chars = 0, utf8_chars = 0;
};

// Writes every input file of `lines` lines into `dir` (bench_files.cpp).
InputFiles generate(const fs::path& dir, std::uint64_t lines);
// The delimited file of `lines` lines: the main one when it has that many, else made now.
fs::path writer_file(const Options& opt, const InputFiles& files, std::uint64_t lines);

// Widths of the six fields in the fixed-width file.
inline constexpr int kWidths[] = {10, 12, 10, 10, 2, 32};

// ---------------------------------------------------------------------------
// Child processes (bench_children.cpp)

struct RunResult {
  int status = -1;  // exit status, or -1 when killed by a signal / not started
  int signal = 0;
  double seconds = 0;
  double peak_mib = 0;
};

// A child process started by start_child.
struct Child {
  pid_t pid = -1;
  int in = -1, out = -1;
  std::chrono::steady_clock::time_point start;
};

// Starts argv[0] with its output in `log` and stdin on /dev/null (or `input`, written to a
// file beside the log); no shell involved.
Child start_child(const std::vector<std::string>& args, const fs::path& log,
                  const std::string& input = {});
// Waits for a child (without blocking when `block` is false: nothing then while it runs).
std::optional<RunResult> finish_child(const Child& child, bool block = true);
RunResult run_child(const std::vector<std::string>& args, const fs::path& log,
                    const std::string& input = {});
// The last lines of a log, indented, for a failure's report.
std::string read_log(const fs::path& log, std::size_t max_lines = 12);
std::string describe_vandrel_status(int status);
// The sqlite3 shell's dot-command parser takes a double-quoted argument with backslash escapes.
std::string shell_quote(const std::string& s);

// A competing load, as on a desktop doing other work: one process keeping a core busy and
// one writing a file beside the databases and syncing it, over and over. Started by the
// constructor, stopped by the destructor; both contenders run under the same load.
class Load {
 public:
  explicit Load(const fs::path& dir);
  Load(const Load&) = delete;
  Load& operator=(const Load&) = delete;
  ~Load();

 private:
  fs::path file_;
  std::vector<pid_t> pids_;
};

}  // namespace vandrel_bench
