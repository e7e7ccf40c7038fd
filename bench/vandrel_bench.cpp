// vandrel_bench: measures `vandrel import` against the sqlite3 shell's `.import`, and,
// given a PostgreSQL server's programs, `vandrel import` into PostgreSQL against psql's
// `\copy` of the same file into the same table.
//
// One invocation generates the input files, then runs every contender as a child
// process on a fresh database, timing it and reading its peak resident memory, and
// finally counts what each run stored. It prints a table and the speed ratios.
//
//   vandrel_bench --vandrel PATH --sqlite3 PATH --work DIR [--lines N]
//                 [--load yes|no] [--writer-lines N,N...] [--pg-bin DIR --psql PATH]
//
// With --pg-bin (the folder of initdb and pg_ctl) the driver makes a throwaway cluster in
// a temporary folder, listening on a Unix socket there only, and removes it at the end. The
// PostgreSQL runs take turns for three rounds and the quickest of each counts.
//
// Every contender runs twice: on the machine as it is, then under a competing load the
// driver starts and stops itself (--load no leaves that out). With --writer-lines, another
// connection writes every 200 ms during an import of each number of lines, in both journal
// modes, and the driver reports its longest wait.
//
// Exit status: 0 when every run completed with the expected row counts (a missed
// speed or memory target is only reported), 1 when a child failed or a count is
// wrong, 64 on a usage error.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "bench_report.h"

namespace vandrel_bench {
namespace {

[[noreturn]] void usage(const char* msg) {
  if (msg) std::fprintf(stderr, "vandrel_bench: %s\n", msg);
  std::fprintf(stderr,
               "usage: vandrel_bench --vandrel PATH --sqlite3 PATH --work DIR [--lines N]\n"
               "                     [--load yes|no] [--writer-lines N,N...]\n"
               "                     [--pg-bin DIR --psql PATH]\n");
  std::exit(64);
}

Options parse(int argc, char** argv) {
  Options opt;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "-h" || a == "--help") usage(nullptr);
    if (i + 1 >= argc) usage(("missing value after " + std::string(a)).c_str());
    std::string_view v = argv[++i];
    if (a == "--vandrel")
      opt.vandrel = v;
    else if (a == "--sqlite3")
      opt.sqlite3 = v;
    else if (a == "--work")
      opt.work = v;
    else if (a == "--pg-bin")
      opt.pg_bin = v;
    else if (a == "--psql")
      opt.psql = v;
    else if (a == "--writer-lines") {
      for (std::string_view rest = v; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        std::uint64_t n = 0;
        auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), n);
        if (ec != std::errc{} || end != item.data() + item.size() || n < 100 || n > 100'000'000)
          usage("--writer-lines takes numbers from 100 to 100000000, separated by commas");
        opt.writer_lines.push_back(n);
      }
    } else if (a == "--load") {
      if (v != "yes" && v != "no") usage("--load takes yes or no");
      opt.quiet_only = v == "no";
    } else if (a == "--lines") {
      std::uint64_t n = 0;
      auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
      if (ec != std::errc{} || end != v.data() + v.size() || n < 100 || n > 100'000'000)
        usage("--lines takes a number from 100 to 100000000");
      opt.lines = n;
    } else
      usage(("unknown option " + std::string(a)).c_str());
  }
  if (opt.vandrel.empty() || opt.sqlite3.empty() || opt.work.empty())
    usage("--vandrel, --sqlite3 and --work are required");
  if (opt.pg_bin.empty() != opt.psql.empty()) usage("--pg-bin and --psql go together");
  return opt;
}

// Every contender on every file; the Italian copy after the ISO run, whose stored values it
// must match. The imports run even when a layout was refused, so each failure shows its
// cause.
void run_all(Bench& bench) {
  for (Kind k : {Kind::Delimited, Kind::Bad, Kind::Csv, Kind::Utf8}) bench.run_peer(k);
  bench.add_layouts();
  for (Kind k : {Kind::Delimited, Kind::Guessed, Kind::Fixed, Kind::Bad, Kind::Csv, Kind::Utf8,
                 Kind::Italian}) {
    bench.run_vandrel(k);
  }
}

int run_sqlite(const Options& opt, const InputFiles& files) {
  Bench bench(opt, files, 2.0, 1.8, false);
  std::printf("\nQuiet (only what else runs on the machine)\n");
  run_all(bench);
  std::optional<Bench> loaded;
  if (!opt.quiet_only) {
    loaded.emplace(opt, files, 1.2, 1.2, true);
    std::printf(
        "\nUnder load (one core kept busy, a file written and synced beside the "
        "databases)\n");
    Load load(opt.work);
    run_all(*loaded);
  }
  int status = bench.report("Quiet");
  if (loaded) status = std::max(status, loaded->report("Under load"));
  if (!opt.writer_lines.empty()) {
    std::printf("\n");
    std::vector<WriterResult> writers;
    for (std::uint64_t n : opt.writer_lines) {
      const fs::path file = writer_file(opt, files, n);
      for (const char* mode : {"delete", "wal"}) {
        writers.push_back(measure_writer(bench, opt, file, n, mode));
      }
    }
    report_writers(writers, status);
  }
  return status;
}

int run_postgres(const Options& opt, const InputFiles& files) {
  std::printf("\n");
  PgBench pg(opt, files);
  if (pg.start()) {
    pg.run_copy(Kind::Bad);
    for (int round = 0; round < kPgRounds; ++round) {
      pg.run_copy(Kind::Delimited);
      for (Kind k : {Kind::Delimited, Kind::Bad, Kind::Duplicates}) pg.run_vandrel(k);
    }
  }
  return pg.report();
}

}  // namespace
}  // namespace vandrel_bench

int main(int argc, char** argv) {
  using namespace vandrel_bench;
  Options opt = parse(argc, argv);
  try {
    fs::create_directories(opt.work);
    opt.work = fs::absolute(opt.work);
    for (const fs::path* p : {&opt.vandrel, &opt.sqlite3})
      if (::access(p->c_str(), X_OK) != 0)
        throw std::runtime_error(p->string() + " is not an executable file");

    auto t0 = std::chrono::steady_clock::now();
    InputFiles files = generate(opt.work, opt.lines);
    double gen = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("generated %llu lines (%llu bad, %llu repeated keys) into %s in %.2f s\n",
                static_cast<unsigned long long>(opt.lines),
                static_cast<unsigned long long>(files.bad_lines),
                static_cast<unsigned long long>(files.duplicate_lines), opt.work.c_str(), gen);
    int status = run_sqlite(opt, files);
    if (!opt.pg_bin.empty()) status = std::max(status, run_postgres(opt, files));
    return status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vandrel_bench: %s\n", e.what());
    return 1;
  }
}
