// The configuration's test plans (TestPlans/TestPlan) as workspace Testplan
// elements.
//
// For every TestPlan in document order, load() writes the status text
// "Step 3/4: Loading Testplans: <Category> Test Plan", the progress total (the
// number of Parameter elements of the plan) and progress current 0. A plan
// without Parameter elements stops there: no element is made. Otherwise the
// plan "<Category>_Testplan" is opened (created when absent) with room for
// n + 2 columns (n + 1 for the category "Main" when the configuration format
// version is above "1.2", whose Main plans carry their results in a "Result"
// parameter), and it gets, in this order:
//  - the result column "<plan>_Result_Column": int cells, one per Value of
//    the first Parameter, all 0; items Parameter = handle of the parameter
//    "Result", Property = 968;
//  - per Parameter, in order (progress current + 1 each; an abort request
//    ends the load here): the Parameter named "Result" writes its values into
//    the result column (an empty Value gives 0); any other gets the column
//    "<plan>_<Name>_Column_<AdjType>" whose cells take the item type of the
//    parameter property AdjType (0 and Property = 968 when AdjType names no
//    property), with one cell per Value, each holding its number (an empty
//    Value gives NaN, or 0 with the INI item "initialize_demand_values_0" set,
//    a text that is not a number 0);
//  - the status column "<plan>_Status_Column": wide-text cells, as many as
//    the result column has rows, all "-"; Property = 3544 of the parameter
//    "Message".
// Column Parameter items hold parameter handles, Property items item numbers
// of a parameter property. A column that the plan holds already is not added
// twice. Values beyond a column's rows are dropped with one WARNING per column.
//
// Loading over a running workspace: every plan a file defines is built anew
// (Testplan: its columns are added again in the file's order), and its
// columns hold what a load into an empty workspace gives them. A plan or
// column that needs more room than it has is remade under its name; the plan
// refers to the current copy of each column. A plan or column of the same
// shape keeps its handle, its cells and their listeners, and a cell written
// with the value it holds tells nobody. Plans of an earlier file that this
// file does not define stay as they were; getBuiltTestplans() tells them
// apart.
//
// Errors (plans and columns made before the error stay in the workspace):
//  - an abort request (GlobalConfig AbortRequest > 0) while the columns are
//    added: tavik::LoadAbortedException; later plans are not loaded;
//  - a parameter or parameter column the workspace refuses (a name that does
//    not fit, no room in the segment to grow the column): WARNING "Erro
//    adding Parameter <Name> to testplan: <reason>", then
//    tavik::ConfigException "Error creating testplan columns";
//  - WorkspaceException, unchanged, for a column beyond the plan's room (a
//    Main plan of format 1.3 without a "Result" parameter), a plan, result
//    or status column that finds no room in the segment to grow, or a cell
//    the workspace refuses.
// A plan or column that finds no room to grow stays as it was.
#pragma once

#include <string>
#include <unordered_set>

#include <boost/shared_ptr.hpp>
#include <pugixml.hpp>

#include "TavikEngine/Config/LoaderBase.h"

namespace tavik {
namespace workspace {
class GlobalConfig;
class Testplan;
class TestplanColumn;
}  // namespace workspace

class TestplanLoader : public LoaderBase {
 public:
  // Opens the global configuration element.
  TestplanLoader();
  ~TestplanLoader();

  // Loads every test plan of the configuration. Reads the INI item
  // "initialize_demand_values_0" (default 0) afresh, logs the INFO lines
  // "Loading Test Plans" and "Loading Test Plans ready" and times itself as
  // "Loading Test Plans". `reload` is kept; nothing here depends on it.
  void load(const pugi::xml_node& measurementDefinition, bool reload);

  void loadTestplan(const pugi::xml_node& testPlan);
  void addResultColumn(boost::shared_ptr<workspace::Testplan> plan, unsigned long long rows);
  void addParameterToTestplan(boost::shared_ptr<workspace::Testplan> plan,
                              const pugi::xml_node& parameter);
  void loadResultValues(boost::shared_ptr<workspace::Testplan> plan,
                        const pugi::xml_node& parameter);
  // Writes the numbers of the Value children of `values` into the column's
  // rows, from row 0; an empty Value gives defaultValue (0 when
  // "initialize_demand_values_0" is set). Integer cells take the number
  // truncated toward zero; NaN (an empty Value without a default) writes 0,
  // and a number beyond the cells' range its nearest bound, with one WARNING
  // for the column "Column <name>: <n> values beyond the range of its
  // integer cells were clamped" ("1 value ... was clamped").
  void loadColumnValues(workspace::TestplanColumn column, const pugi::xml_node& values,
                        double defaultValue);
  void addStatusColumn(boost::shared_ptr<workspace::Testplan> plan);

  // Element names of the plans the current load built ("<Category>_Testplan"
  // of every TestPlan with Parameter elements that the load reached), so
  // that the sequences bind only plans of this file. Emptied first thing by
  // every load, so a load that ends early never shows an earlier load's
  // plans.
  const std::unordered_set<std::wstring>& getBuiltTestplans() const { return builtTestplans_; }

 private:
  bool reload_;
  boost::shared_ptr<workspace::GlobalConfig> globalConfig_;
  int initializeDemandValues0_;
  std::unordered_set<std::wstring> builtTestplans_;
};

}  // namespace tavik
