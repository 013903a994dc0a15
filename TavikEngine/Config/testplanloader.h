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
// twice, so loading a file again rewrites the cells of the same columns.
// Values beyond a column's rows are dropped with one WARNING per column.
//
// Errors (plans and columns made before the error stay in the workspace):
//  - an abort request (GlobalConfig AbortRequest > 0) while the columns are
//    added: tavik::LoadAbortedException; later plans are not loaded;
//  - a parameter or column the workspace refuses (a name that does not fit):
//    WARNING "Erro adding Parameter <Name> to testplan: <reason>", then
//    tavik::ConfigException "Error creating testplan columns";
//  - WorkspaceException, unchanged, for a column beyond the plan's room, a
//    plan or column that would have to grow, or a cell the workspace refuses.
#pragma once

#include <string>

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
  // "initialize_demand_values_0" is set).
  void loadColumnValues(workspace::TestplanColumn column, const pugi::xml_node& values,
                        double defaultValue);
  void addStatusColumn(boost::shared_ptr<workspace::Testplan> plan);

 private:
  bool reload_;
  boost::shared_ptr<workspace::GlobalConfig> globalConfig_;
  int initializeDemandValues0_;
};

}  // namespace tavik
