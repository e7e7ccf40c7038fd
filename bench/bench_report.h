// The report of the benchmark's parts that is not a part's own: another writer's waits.
// (Each part's table is printed by its report(), in bench_report.cpp too.)
#pragma once

#include <vector>

#include "bench_postgres.h"
#include "bench_sqlite.h"

namespace vandrel_bench {

// Prints the writers' table; a failed import or write sets `status` to 1.
void report_writers(const std::vector<WriterResult>& writers, int& status);

}  // namespace vandrel_bench
