#include "RatioTable.h"

#include <unistd.h>

#include <cstdio>

namespace tavik_bench {

TimeKeepingReporter::TimeKeepingReporter()
    : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

void TimeKeepingReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred || run.report_big_o || run.report_rms) continue;
    const bool repeated = run.repetitions > 1;
    // One figure per benchmark: the single run, or the median of repetitions.
    if (repeated != (run.run_type == Run::RT_Aggregate)) continue;
    if (repeated && run.aggregate_name != "median") continue;
    times_[run.run_name.str()] =
        run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
  }
}

double TimeKeepingReporter::nanoseconds(const std::string& name) const {
  const auto found = times_.find(name);
  return found == times_.end() ? -1.0 : found->second;
}

namespace {

std::string cell(double value, const char* format) {
  if (value < 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string ratio(double numerator, double denominator) {
  return numerator < 0 || denominator <= 0 ? "-" : cell(numerator / denominator, "%.1f");
}

void row(std::ostream& out, const std::vector<std::string>& cells) {
  char text[32];
  for (std::size_t i = 0; i < cells.size(); ++i) {
    std::snprintf(text, sizeof text, i == 0 ? "%-8s" : "%14s", cells[i].c_str());
    out << text;
  }
  out << '\n';
}

// The two times are shown in `unit` (nanoseconds divided by `per_unit`).
void writeRatio(std::ostream& out, const char* what, double numerator, double denominator,
                const char* goal, double per_unit = 1, const char* unit = "ns") {
  const auto in_unit = [per_unit](double ns) { return ns < 0 ? ns : ns / per_unit; };
  out << what << ": " << ratio(numerator, denominator) << goal << " ("
      << cell(in_unit(numerator), "%.1f") << " / " << cell(in_unit(denominator), "%.1f") << " "
      << unit << ")\n";
}

}  // namespace

void printRatioTable(const TimeKeepingReporter& times, const std::vector<int>& sizes,
                     std::ostream& out) {
  out << "\nLoads (ms): reload/parse goal <= 3, (load-floor)/parse goal <= 4\n";
  row(out, {"params", "parse", "floor", "load", "reload", "reload/parse", "(l-f)/parse"});
  for (int size : sizes) {
    const std::string arg = "/" + std::to_string(size);
    const double parse = times.nanoseconds("BM_ParseOnly" + arg);
    const double floor = times.nanoseconds("BM_FreshPageFloor" + arg);
    const double load = times.nanoseconds("BM_LoadConfig" + arg);
    const double reload = times.nanoseconds("BM_Reload" + arg);
    const double beyond_floor = load < 0 || floor < 0 ? -1.0 : load - floor;
    const auto ms = [](double ns) { return ns < 0 ? -1.0 : ns / 1e6; };
    row(out, {std::to_string(size), cell(ms(parse), "%.1f"), cell(ms(floor), "%.1f"),
              cell(ms(load), "%.1f"), cell(ms(reload), "%.1f"), ratio(reload, parse),
              ratio(beyond_floor, parse)});
  }
  out << "\nWrites\n";
  writeRatio(out, "notifying write without listeners / raw setItem",
             times.nanoseconds("NotifyingSetWithoutListeners"), times.nanoseconds("RawSetItemListened"),
             " (goal <= 2)");
  writeRatio(out, "notifying write with one listener / raw queue send+receive",
             times.nanoseconds("NotifyingSetWithOneListener"),
             times.nanoseconds("RawQueueSendReceive"), " (goal <= 5)");
  writeRatio(out, "status-channel load / numeric-value load",
             times.nanoseconds("BM_LoadStatusChannels/1"),
             times.nanoseconds("BM_LoadStatusChannels/0"), " (goal <= 2)", 1e6, "ms");
  writeRatio(out, "test-plan cell write / raw cell write", times.nanoseconds("BM_SetRowValue"),
             times.nanoseconds("BM_RawSetCell"), "", 1e6, "ms");
}

}  // namespace tavik_bench
