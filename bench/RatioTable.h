// The benchmark's summary: the reporter that prints every benchmark as usual
// and keeps each one's real time, and the table of ratios printed from those
// times at the end of the run. With --benchmark_repetitions the table uses
// each benchmark's median; a benchmark filtered out leaves "-" in its cells.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace tavik_bench {

class TimeKeepingReporter : public benchmark::ConsoleReporter {
 public:
  // Colour only on a terminal, as the library's own console output.
  TimeKeepingReporter();
  void ReportRuns(const std::vector<Run>& runs) override;

  // Real time per iteration in nanoseconds of the named benchmark
  // ("BM_Reload/4000"); negative when it did not run.
  double nanoseconds(const std::string& name) const;

 private:
  std::map<std::string, double> times_;
};

// Prints the load table (parse, fresh-page floor, first load and reload per
// configuration size, with reload / parse and (load - floor) / parse) and the
// write ratios, with the status-channel load against the numeric-value load.
void printRatioTable(const TimeKeepingReporter& times, const std::vector<int>& sizes,
                     std::ostream& out);

}  // namespace tavik_bench
