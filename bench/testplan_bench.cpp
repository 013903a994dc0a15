// A test-plan-heavy load: one plan of 200 parameters by 1,000 rows whose
// columns drive the parameters' Value (listened double cells). Reports the
// time of the whole test-plan phase per cell, and the time of one cell write
// through the column (TestplanColumn::setRowValue, a notifying write) against
// a raw Workspace::setItem of the same cells, all in one workspace. Logging is
// off (no sink installed).
//
//   build/bench/testplan_bench
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "ConfigGenerator.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/testplanloader.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kParameters = 200;
constexpr int kRows = 1000;
constexpr double kCells = double(kParameters) * kRows;

// One workspace holding the loaded plan for the whole run.
class LoadedPlan {
 public:
  static LoadedPlan& instance() {
    static LoadedPlan plan;
    return plan;
  }
  const pugi::xml_node& definition() const { return definition_; }
  tavik::TestplanLoader& loader() { return loader_; }
  // The parameter columns (the result and status columns left out).
  std::vector<tavik::workspace::TestplanColumn> columns() const {
    const tavik::workspace::Testplan plan(L"Main_Testplan", 0);
    std::vector<tavik::workspace::TestplanColumn> out;
    for (int i = 1; i <= kParameters; ++i) out.push_back(plan.getColumn(i));
    return out;
  }

 private:
  LoadedPlan() : ini_("initialize_demand_values_0=0\n"), workspace_(std::size_t{1} << 30) {
    document_.load_string(
        tavik_bench::generateTestplanConfiguration(kParameters, kRows).c_str());
    definition_ = document_.child("MeasurementDefinition");
    loader_.load(definition_, false);
  }
  tavik_test::ScopedIni ini_;
  tavik_test::ScopedWorkspace workspace_;
  pugi::xml_document document_;
  pugi::xml_node definition_;
  tavik::TestplanLoader loader_;
};

// The whole test-plan phase over a plan already in the workspace (the
// columns are rewritten, as on a second load of the same file).
void BM_TestplanLoad(benchmark::State& state) {
  LoadedPlan& plan = LoadedPlan::instance();
  for (auto _ : state) plan.loader().load(plan.definition(), false);
  state.counters["per_cell"] =
      benchmark::Counter(kCells, benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

void BM_SetRowValue(benchmark::State& state) {
  std::vector<tavik::workspace::TestplanColumn> columns = LoadedPlan::instance().columns();
  double value = 0.0;
  for (auto _ : state) {
    for (auto& column : columns)
      for (int row = 0; row < kRows; ++row) column.setRowValue(row, value);
    value += 1.0;
  }
  state.counters["per_cell"] =
      benchmark::Counter(kCells, benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

void BM_RawSetItem(benchmark::State& state) {
  const std::vector<tavik::workspace::TestplanColumn> columns = LoadedPlan::instance().columns();
  std::vector<long long> offsets;
  for (const auto& column : columns)
    for (int row = 0; row < kRows; ++row)
      offsets.push_back(column.getHandle() + column.getPropertyForRow(row));
  const auto workspace = tavik::workspace::Workspace::getInstance();
  double value = 0.0;
  for (auto _ : state) {
    for (long long offset : offsets) workspace->setItem(offset, value);
    value += 1.0;
  }
  state.counters["per_cell"] =
      benchmark::Counter(kCells, benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

BENCHMARK(BM_TestplanLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetRowValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSetItem)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
