#include "workspace/Testplan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "workspace/Unaligned.h"
#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {

namespace t = testplan;
namespace c = testplan_column;

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

// Entries a plan's table can hold at most: no element is larger than 4 GiB.
constexpr unsigned long long kMaxEntries =
    (std::numeric_limits<std::uint32_t>::max() - t::kColumnTable) / 8;

// The columns a plan is about to drop no longer stand in it: each forgets
// where it stood, so that the plan (or any other) adds it afresh, at the
// place a fresh load gives it.
void releaseColumns(Workspace& workspace, long long plan, unsigned long long table) {
  int count = 0;
  workspace.getItem(plan + t::ColumnCount, count);
  const unsigned long long held =
      count < 0 ? 0 : std::min(static_cast<unsigned long long>(count), table);
  for (unsigned long long i = 0; i < held; ++i) {
    const long long column =
        loadAt<std::int64_t>(workspace.getBaseAddress() + plan + t::kColumnTable + 8 * i);
    if (!workspace.isElement(column) || workspace.isReplaced(column)) continue;
    if (loadAt<std::int32_t>(workspace.getBaseAddress() + column + element_header::kClassId) !=
        element_class::kTestplanColumn)
      continue;
    long long holder = 0;
    workspace.getItem(column + c::HoldingTestplan, holder);
    if (holder != plan) continue;
    workspace.setItem(column + c::HoldingTestplan, 0LL);
    workspace.setItem(column + c::ColumnIndex, 0);
  }
}

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
  const unsigned long long wanted = static_cast<unsigned long long>(columnCount);
  long long handle = workspace->openOrCreateElement(element_class::kTestplan, name, 8 * wanted);
  const unsigned long long table = (workspace->getElementSize(handle) - t::kColumnTable) / 8;
  releaseColumns(*workspace, handle, table);
  if (wanted > table) {
    // Twice the old table, so that files with more and fewer parameters in
    // turn do not remake the plan on every load. Its old columns are not
    // kept: the plan starts empty either way.
    const unsigned long long room = std::max(wanted, std::min(2 * table, kMaxEntries));
    handle = workspace->replaceElement(handle, 8 * room, 0);
  } else {
    std::memset(workspace->getBaseAddress() + handle + t::kColumnTable, 0, 8 * table);
  }
  workspace->setItem(handle + t::ColumnRoom, columnCount);
  workspace->setItem(handle + t::ColumnCount, 0);
  return handle;
}

}  // namespace

Testplan::Testplan(const std::wstring& name, int columnCount)
    : ElementClass(openPlan(name, columnCount), AsGiven{}) {}

Testplan::Testplan(long long handle) : ElementClass(handle) {}

void Testplan::requireCurrent(const char* operation) const {
  requireValid(operation);
  // A plan remade since keeps its old class id negated: one load tells.
  if (loadAt<std::int32_t>(workspace_->getBaseAddress() + handle_ + element_header::kClassId) !=
      kClassId)
    workspace_->checkElement(kClassId, handle_);
}

int Testplan::getColumnRoom() const {
  requireCurrent("getColumnRoom");
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
  requireCurrent("addColumn");
  const long long columnHandle = column.getHandle();
  if (columnHandle <= 0)
    throw WorkspaceException("addColumn: an invalid column for the test plan " + getName());
  const int count = getColumnCount();
  // The column records the plan that added it last and where: a look-up, not
  // a search, tells whether this plan holds it already. Only a column another
  // live plan added since is looked for in this plan's table; one that an
  // old copy of a remade plan added cannot stand in this plan's list (a
  // remade plan starts empty, and adding a column records the new copy).
  long long holder = 0;
  int index = 0;
  workspace_->getItem(columnHandle + c::HoldingTestplan, holder);
  workspace_->getItem(columnHandle + c::ColumnIndex, index);
  if (holder == handle_) {
    // A column remade since this plan added it was put in its old copy's
    // place then (TestplanColumn): it is found here as itself.
    if (index >= 0 && index < count &&
        loadHandle(*workspace_, entryOffset(index, "addColumn")) == columnHandle)
      return;
  } else if (holder > 0 && !workspace_->isReplaced(holder)) {
    const long long table = handle_ + t::kColumnTable;
    for (int i = 0; i < count; ++i)
      if (loadHandle(*workspace_, table + 8ll * i) == columnHandle) return;
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
