#include "workspace/Testplan.h"

#include <cstdint>
#include <cstring>

#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {

namespace t = testplan;
namespace c = testplan_column;

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

long long openPlan(const std::wstring& name, int columnCount) {
  if (columnCount < 0) {
    throw WorkspaceException("the test plan \"" + narrowName(name) + "\" cannot have room for " +
                             std::to_string(columnCount) + " columns");
  }
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  if (columnCount == 0) {
    // A look-up by name: nothing is created.
    const long long found = workspace->findElement(name, memory_area::kTestplans);
    if (found <= 0) return -1;
    workspace->checkElement(element_class::kTestplan, found);
    return found;
  }
  const long long handle = workspace->openOrCreateElement(
      element_class::kTestplan, name, 8ull * static_cast<unsigned long long>(columnCount));
  int room = 0;
  workspace->getItem(handle + t::ColumnRoom, room);
  if (room == columnCount) return handle;

  const unsigned long long table = (workspace->getElementSize(handle) - t::kColumnTable) / 8;
  if (static_cast<unsigned long long>(columnCount) > table) {
    throw WorkspaceException("the test plan \"" + narrowName(name) + "\" has room for " +
                             std::to_string(table) + " columns and cannot take " +
                             std::to_string(columnCount));
  }
  std::memset(workspace->getBaseAddress() + handle + t::kColumnTable, 0, 8 * table);
  workspace->setItem(handle + t::ColumnRoom, columnCount);
  workspace->setItem(handle + t::ColumnCount, 0);
  return handle;
}

}  // namespace

Testplan::Testplan(const std::wstring& name, int columnCount)
    : ElementClass(openPlan(name, columnCount), AsGiven{}) {}

Testplan::Testplan(long long handle) : ElementClass(handle) {}

int Testplan::getColumnRoom() const {
  requireValid("getColumnRoom");
  int room = 0;
  workspace_->getItem(handle_ + t::ColumnRoom, room);
  // The room is memory another process may have written: never beyond the
  // element's own table.
  const long long table = (workspace_->getElementSize(handle_) - t::kColumnTable) / 8;
  return room < 0 ? 0 : (room > table ? static_cast<int>(table) : room);
}

int Testplan::getColumnCount() const {
  const int room = getColumnRoom();
  int count = 0;
  workspace_->getItem(handle_ + t::ColumnCount, count);
  return count < 0 ? 0 : (count > room ? room : count);
}

long long Testplan::entryOffset(int index, const char* operation) const {
  const int count = getColumnCount();
  if (index < 0 || index >= count) {
    throw WorkspaceException(std::string(operation) + ": the test plan " + getName() + " holds " +
                             std::to_string(count) + " columns, no column " +
                             std::to_string(index));
  }
  return handle_ + t::kColumnTable + 8ll * index;
}

namespace {

long long loadHandle(const Workspace& workspace, long long offset) {
  std::int64_t value;
  std::memcpy(&value, workspace.getBaseAddress() + offset, sizeof value);
  return value;
}

}  // namespace

void Testplan::addColumn(const TestplanColumn& column) {
  requireValid("addColumn");
  const long long columnHandle = column.getHandle();
  if (columnHandle <= 0)
    throw WorkspaceException("addColumn: an invalid column for the test plan " + getName());
  const int count = getColumnCount();
  // The column records the plan that added it last and where: a look-up, not
  // a search, tells whether this plan holds it already. Only a column another
  // plan added since is looked for in this plan's table.
  long long holder = 0;
  int index = 0;
  workspace_->getItem(columnHandle + c::HoldingTestplan, holder);
  workspace_->getItem(columnHandle + c::ColumnIndex, index);
  if (holder == handle_) {
    if (index >= 0 && index < count &&
        loadHandle(*workspace_, entryOffset(index, "addColumn")) == columnHandle)
      return;
  } else if (holder > 0) {
    for (int i = 0; i < count; ++i)
      if (loadHandle(*workspace_, entryOffset(i, "addColumn")) == columnHandle) return;
  }
  const int room = getColumnRoom();
  if (count >= room) {
    throw WorkspaceException("addColumn: the test plan " + getName() + " has room for " +
                             std::to_string(room) + " columns and cannot take the column " +
                             column.getName());
  }
  const std::int64_t entry = columnHandle;
  std::memcpy(workspace_->getBaseAddress() + handle_ + t::kColumnTable + 8ll * count, &entry,
              sizeof entry);
  workspace_->setItem(handle_ + t::ColumnCount, count + 1);
  workspace_->setItem(columnHandle + c::HoldingTestplan, handle_);
  workspace_->setItem(columnHandle + c::ColumnIndex, count);
}

TestplanColumn Testplan::getColumn(int index) const {
  return TestplanColumn(loadHandle(*workspace_, entryOffset(index, "getColumn")));
}

unsigned long long Testplan::getRowCount() const {
  if (getColumnCount() == 0) return 0;
  return getColumn(0).getRowCount();
}

}  // namespace workspace
}  // namespace tavik
