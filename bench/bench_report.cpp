// What the benchmark prints: the names of the files, and for each part its table of runs,
// the ratios against the peer and the targets, met or missed.
#include "bench_report.h"

#include <cstdio>
#include <string>

namespace vandrel_bench {

const char* kind_name(Kind k) {
  switch (k) {
    case Kind::Delimited:
      return "delimited";
    case Kind::Fixed:
      return "fixed-width";
    case Kind::Bad:
      return "delimited, 1% bad";
    case Kind::Csv:
      return "CSV, quoted fields";
    case Kind::Utf8:
      return "UTF-8";
    case Kind::Italian:
      return "delimited, 1.234,5";
    case Kind::Duplicates:
      return "0.1% repeated keys";
    case Kind::Guessed:
      return "delimited, guessed";
  }
  return "";
}

const char* stem_of(Kind k) {
  switch (k) {
    case Kind::Delimited:
      return "delimited";
    case Kind::Fixed:
      return "fixed";
    case Kind::Bad:
      return "bad";
    case Kind::Csv:
      return "csv";
    case Kind::Utf8:
      return "utf8";
    case Kind::Italian:
      return "italian";
    case Kind::Duplicates:
      return "duplicates";
    case Kind::Guessed:
      return "guessed";
  }
  return "";
}

int Bench::report(const char* title) const {
  std::printf("\n%s, %llu lines per file\n\n", title, static_cast<unsigned long long>(opt_.lines));
  std::printf("%-9s %-19s %12s %10s %10s %10s\n", "contender", "file", "lines/s", "peak MiB",
              "rows", "errors");
  std::printf("%s\n", std::string(75, '-').c_str());
  for (const Row& r : rows_) {
    if (!r.completed) {
      std::printf("%-9s %-19s %12s %10s %10s %10s\n", r.contender.c_str(), kind_name(r.kind),
                  "failed", "-", "-", "-");
      continue;
    }
    std::printf("%-9s %-19s %12.0f %10.1f %10lld %10lld%s\n", r.contender.c_str(),
                kind_name(r.kind), r.lines_per_s, r.peak_mib, static_cast<long long>(r.rows),
                static_cast<long long>(r.errors),
                !r.counts_ok   ? "  <-- wrong count"
                : !r.values_ok ? "  <-- values differ from the ISO run"
                               : "");
  }

  std::printf("\nvandrel against the sqlite3 shell (lines/s ratio)\n");
  ratio(Kind::Delimited, Kind::Delimited, "delimited vs peer delimited", clean_target_);
  ratio(Kind::Bad, Kind::Bad, "1% bad vs peer 1% bad", bad_target_);
  ratio(Kind::Fixed, Kind::Delimited, "fixed-width vs peer delimited", 0);
  ratio(Kind::Guessed, Kind::Delimited, "guessed vs peer delimited", clean_target_);
  ratio(Kind::Csv, Kind::Csv, "CSV vs peer CSV", other_target(1.5));
  ratio(Kind::Utf8, Kind::Utf8, "UTF-8 vs peer UTF-8", other_target(1.5));
  ratio(Kind::Italian, Kind::Delimited, "1.234,5/DMY vs peer delimited", other_target(1.3));

  std::printf("\nvandrel peak memory (target: under 64 MiB)\n");
  for (const Row& r : rows_) {
    if (r.contender != "vandrel") continue;
    if (!r.completed) {
      std::printf("  %-30s  no result\n", kind_name(r.kind));
      continue;
    }
    std::printf("  %-30s  %6.1f MiB  %s\n", kind_name(r.kind), r.peak_mib,
                r.peak_mib < 64.0 ? "met" : "MISSED");
  }
  std::printf("\n%s\n", failed_ ? "Some runs failed or stored wrong row counts."
                                : "All runs completed with the expected row counts.");
  return failed_ ? 1 : 0;
}

void Bench::ratio(Kind mine, Kind peers, const char* label, double target) const {
  const Row* v = find("vandrel", mine);
  const Row* p = find("sqlite3", peers);
  char target_text[32] = "no target";
  if (target > 0) std::snprintf(target_text, sizeof target_text, "target >= %.1fx", target);
  if (!v || !p) {
    std::printf("  %-30s  %6s   %s\n", label, "n/a", target_text);
    return;
  }
  double x = v->lines_per_s / p->lines_per_s;
  std::printf("  %-30s  %5.2fx   %s%s\n", label, x, target_text,
              target <= 0   ? ""
              : x >= target ? "  met"
                            : "  MISSED");
}

int PgBench::report() const {
  std::printf("\nPostgreSQL, %llu lines per file, the quickest of %d rounds\n\n",
              static_cast<unsigned long long>(opt_.lines), kPgRounds);
  std::printf("%-9s %-19s %12s %10s %10s %10s\n", "contender", "file", "lines/s", "peak MiB",
              "rows", "errors");
  std::printf("%s\n", std::string(75, '-').c_str());
  for (const Row& r : rows_) {
    if (!r.completed) {
      std::printf("%-9s %-19s %12s %10s %10lld %10s\n", r.contender.c_str(), kind_name(r.kind),
                  "refused", "-", static_cast<long long>(r.rows), "-");
      continue;
    }
    std::printf("%-9s %-19s %12.0f %10.1f %10lld %10lld%s\n", r.contender.c_str(),
                kind_name(r.kind), static_cast<double>(opt_.lines) / r.seconds, r.peak_mib,
                static_cast<long long>(r.rows), static_cast<long long>(r.errors),
                r.counts_ok ? "" : "  <-- wrong count");
  }
  std::printf("\nvandrel against psql's \\copy of the clean file (lines/s ratio)\n");
  ratio(Kind::Delimited, "delimited vs \\copy", 1.2);
  ratio(Kind::Bad, "1% bad vs \\copy of clean", 1.0);
  // Rows the server refuses cost about themselves: against vandrel's own clean run.
  const Row* clean = find("vandrel", Kind::Delimited);
  const Row* repeated = find("vandrel", Kind::Duplicates);
  if (clean && repeated) {
    const double x = repeated->seconds / clean->seconds;
    std::printf("  %-30s  %5.2fx   target <= 1.5x  %s\n", "0.1% repeated keys vs own clean", x,
                x <= 1.5 ? "met" : "MISSED");
  }
  std::printf("\nvandrel peak memory (target: under 64 MiB)\n");
  for (const Row& r : rows_) {
    if (r.contender != "vandrel" || !r.completed) continue;
    std::printf("  %-30s  %6.1f MiB  %s\n", kind_name(r.kind), r.peak_mib,
                r.peak_mib < 64.0 ? "met" : "MISSED");
  }
  std::printf("\n%s\n", failed_ ? "Some PostgreSQL runs failed or stored wrong rows."
                                : "All PostgreSQL runs stored the expected rows (vandrel's "
                                  "clean import the same rows as \\copy's).");
  return failed_ ? 1 : 0;
}

const PgBench::Row* PgBench::find(const char* contender, Kind kind) const {
  for (const Row& r : rows_) {
    if (r.completed && r.contender == contender && r.kind == kind) return &r;
  }
  return nullptr;
}

void PgBench::ratio(Kind mine, const char* label, double target) const {
  const Row* v = find("vandrel", mine);
  const Row* p = find("\\copy", Kind::Delimited);
  if (!v || !p) {
    std::printf("  %-30s  %6s   target >= %.1fx\n", label, "n/a", target);
    return;
  }
  const double x = p->seconds / v->seconds;
  std::printf("  %-30s  %5.2fx   target >= %.1fx  %s\n", label, x, target,
              x >= target ? "met" : "MISSED");
}

void report_writers(const std::vector<WriterResult>& writers, int& status) {
  std::printf("\nAnother writer (5 s busy timeout, a row every 200 ms) during an import\n\n");
  std::printf("%12s %-8s %10s %8s %8s %14s\n", "lines", "journal", "import s", "writes", "failed",
              "longest wait");
  std::printf("%s\n", std::string(65, '-').c_str());
  for (const WriterResult& w : writers) {
    std::printf("%12llu %-8s %10.2f %8d %8d %12.3f s  %s\n",
                static_cast<unsigned long long>(w.lines), w.mode, w.import_seconds, w.writes,
                w.failures, w.longest,
                !w.import_ok || w.failures ? "FAILED"
                : w.longest < 1.5          ? "met"
                                           : "MISSED");
    if (!w.import_ok || w.failures) status = 1;
  }
  std::printf("(target: no failed write, the longest wait under 1.5 s)\n");
}

}  // namespace vandrel_bench
