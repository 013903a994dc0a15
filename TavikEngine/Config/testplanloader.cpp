#include "TavikEngine/Config/testplanloader.h"

#include <climits>
#include <cstddef>
#include <limits>
#include <optional>

#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/WorkspaceException.h"

namespace tavik {

namespace {

namespace global = workspace::global_config;
namespace column_item = workspace::testplan_column;
namespace param = workspace::parameter;

// Item types of the two fixed columns: int result cells, wide-text status cells.
constexpr int kResultColumnType = 2;
constexpr int kStatusColumnType = 7;

// The workspace's narrow message as wide text, byte by byte.
std::wstring widenBytes(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
  return wide;
}

std::wstring planName(const workspace::Testplan& plan) {
  std::wstring name;
  plan.getName(name);
  return name;
}

std::wstring columnName(const workspace::TestplanColumn& column) {
  std::wstring name;
  column.getName(name);
  return name;
}

// Whether cells of that item type hold integers, and their range.
bool integerRange(int cellType, long long& lowest, long long& highest) {
  switch (workspace::valueKindOf(cellType)) {
    case workspace::ValueKind::Int: lowest = INT_MIN; highest = INT_MAX; return true;
    case workspace::ValueKind::Unsigned: lowest = 0; highest = UINT_MAX; return true;
    case workspace::ValueKind::LongLong: lowest = LLONG_MIN; highest = LLONG_MAX; return true;
    default: return false;
  }
}

// Writes the column's fixed items: the parameter it belongs to and the
// parameter property it drives.
void describeColumn(workspace::TestplanColumn& column, long long parameterHandle,
                    unsigned int property) {
  column.increaseReferenceCounter();
  column.set(column_item::ParameterHandle, parameterHandle);
  column.set(column_item::Property, property);
}

}  // namespace

TestplanLoader::TestplanLoader()
    : reload_(false),
      globalConfig_(new workspace::GlobalConfig()),
      initializeDemandValues0_(0) {}

TestplanLoader::~TestplanLoader() = default;

void TestplanLoader::load(const pugi::xml_node& measurementDefinition, bool reload) {
  builtTestplans_.clear();
  DurationLogger timer(L"Loading Test Plans");
  initializeDemandValues0_ =
      IniReader::get_instance(true)->get_int_item("initialize_demand_values_0", 0);
  LOG(INFO) << "Loading Test Plans";
  reload_ = reload;
  const pugi::xml_node plans = measurementDefinition.child("TestPlans");
  for (pugi::xml_node plan = plans.child("TestPlan"); plan; plan = plan.next_sibling("TestPlan"))
    loadTestplan(plan);
  LOG(INFO) << "Loading Test Plans ready";
}

void TestplanLoader::loadTestplan(const pugi::xml_node& testPlan) {
  const std::wstring category = getChildValue(testPlan, L"Category", L"");
  const std::wstring status = L"Step 3/4: Loading Testplans: " + category + L" Test Plan";
  const std::wstring name = category + L"_Testplan";
  const int count = countXPathMatches(testPlan, L"Parameters", L"Parameter");

  globalConfig_->set(global::StatusText, status);
  globalConfig_->set(global::ProgressTotal, count);
  globalConfig_->set(global::ProgressCurrent, 0);
  const std::wstring version = globalConfig_->get<std::wstring>(global::ConfigurationFormatVersion);
  if (count == 0) return;

  // From format 1.3 on, a Main plan carries its results in a "Result"
  // parameter, which takes no column of its own.
  const bool newMain = workspace::ConfigVersion(version) > workspace::ConfigVersion(L"1.2") &&
                       category == L"Main";
  const int columns = newMain ? count + 1 : count + 2;
  const boost::shared_ptr<workspace::Testplan> plan =
      create_shared<workspace::Testplan>(name, columns);
  builtTestplans_.insert(name);
  plan->increaseReferenceCounter();

  const pugi::xml_node parameters = testPlan.child("Parameters");
  unsigned long long rows = 0;
  if (const pugi::xml_node first = parameters.child("Parameter"))
    rows = static_cast<unsigned long long>(countXPathMatches(first, L"Values", L"Value"));
  addResultColumn(plan, rows);

  for (pugi::xml_node parameter = parameters.child("Parameter"); parameter;
       parameter = parameter.next_sibling("Parameter")) {
    globalConfig_->set(global::ProgressCurrent,
                       globalConfig_->get<int>(global::ProgressCurrent) + 1);
    if (globalConfig_->get<int>(global::AbortRequest) > 0) throw LoadAbortedException();
    if (getChildValue(parameter, L"Name", L"NN") == L"Result")
      loadResultValues(plan, parameter);
    else
      addParameterToTestplan(plan, parameter);
  }
  addStatusColumn(plan);
}

void TestplanLoader::addResultColumn(boost::shared_ptr<workspace::Testplan> plan,
                                     unsigned long long rows) {
  workspace::Parameter result(std::wstring(L"Result"));
  result.increaseReferenceCounter();
  workspace::TestplanColumn column(planName(*plan) + L"_Result_Column", kResultColumnType, rows);
  describeColumn(column, result.getHandle(), param::Demand_Value);
  plan->addColumn(column);
  for (unsigned long long row = 0; row < rows; ++row) column.setRowValue(static_cast<int>(row), 0);
}

void TestplanLoader::addParameterToTestplan(boost::shared_ptr<workspace::Testplan> plan,
                                            const pugi::xml_node& parameter) {
  const std::wstring name = getChildValue(parameter, L"Name", L"NN");
  const std::wstring adjType = getChildValue(parameter, L"AdjType", L"");
  const pugi::xml_node values = parameter.child("Values");
  const unsigned long long rows =
      static_cast<unsigned long long>(countXPathMatches(parameter, L"Values", L"Value"));

  long long parameterHandle = 0;
  unsigned int property = param::Demand_Value;
  std::optional<workspace::TestplanColumn> column;
  try {
    workspace::Parameter element(name);
    parameterHandle = element.getHandle();
    const std::wstring columnName = planName(*plan) + L"_" + name + L"_Column" + L"_" + adjType;
    const long long found = element.getHandleForProperty(adjType);
    int type = 0;
    if (found >= 1) {
      property = static_cast<unsigned int>(found);
      type = element.getTypeForProperty(property);
    }
    column.emplace(columnName, type, rows);
  } catch (const WorkspaceException& e) {
    WLOG(WARNING) << L"Erro adding Parameter " + name + L" to testplan: " +
                         widenBytes(e.twhat());
    throw ConfigException("Error creating testplan columns");
  }

  describeColumn(*column, parameterHandle, property);
  plan->addColumn(*column);
  loadColumnValues(*column, values, std::numeric_limits<double>::quiet_NaN());
  // No row the values leave unwritten may show an earlier file's demand
  // value, however the rows come to outnumber the values. (Not so for the
  // result column: addResultColumn writes all its rows, and one "Result"
  // parameter must not undo what another wrote.)
  column->clearRowsFrom(rows);
}

void TestplanLoader::loadResultValues(boost::shared_ptr<workspace::Testplan> plan,
                                      const pugi::xml_node& parameter) {
  loadColumnValues(plan->getColumn(0), parameter.child("Values"), 0.0);
}

void TestplanLoader::loadColumnValues(workspace::TestplanColumn column,
                                      const pugi::xml_node& values, double defaultValue) {
  if (initializeDemandValues0_ != 0) defaultValue = 0.0;
  // A column is never written beyond its own rows: a parameter with more
  // values than the plan's first parameter loses the rest, with one line.
  const unsigned long long rows = column.getRowCount();
  // An integer cell cannot hold NaN or a number beyond its range: one
  // stray value must not end the load.
  long long lowest = 0;
  long long highest = 0;
  const bool integer = integerRange(column.getCellType(), lowest, highest);
  unsigned long long row = 0;
  unsigned long long dropped = 0;
  unsigned long long clamped = 0;
  for (pugi::xml_node value = values.child("Value"); value; value = value.next_sibling("Value")) {
    if (row >= rows) {
      ++dropped;
      continue;
    }
    const double number = value.text().as_double(defaultValue);
    if (integer) {
      bool beyond = false;
      column.setRowValue(static_cast<int>(row), integerWithin(number, lowest, highest, beyond));
      if (beyond) ++clamped;
    } else {
      column.setRowValue(static_cast<int>(row), number);
    }
    ++row;
  }
  if (clamped > 0) {
    WLOG(WARNING) << L"Column " + columnName(column) + L": " + std::to_wstring(clamped) +
                         (clamped == 1 ? L" value beyond the range of its integer cells was"
                                       : L" values beyond the range of its integer cells were") +
                         L" clamped";
  }
  if (dropped > 0) {
    WLOG(WARNING) << L"Column " + columnName(column) + L" has " + std::to_wstring(rows) +
                         L" rows: " + std::to_wstring(dropped) + L" further values dropped";
  }
}

void TestplanLoader::addStatusColumn(boost::shared_ptr<workspace::Testplan> plan) {
  workspace::Parameter message(std::wstring(L"Message"));
  message.increaseReferenceCounter();
  const unsigned long long rows = plan->getRowCount();
  workspace::TestplanColumn column(planName(*plan) + L"_Status_Column", kStatusColumnType, rows);
  describeColumn(column, message.getHandle(), param::Status_Message);
  plan->addColumn(column);
  const std::wstring none = L"-";
  for (unsigned long long row = 0; row < rows; ++row)
    column.setRowValue(static_cast<int>(row), none);
}

}  // namespace tavik
