#include "workspace/TestplanColumn.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "workspace/Unaligned.h"
#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {

namespace c = testplan_column;

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

template <class T>
T loadItem(const Workspace& workspace, long long handle, unsigned int item) {
  T value;
  std::memcpy(&value, workspace.getBaseAddress() + handle + item, sizeof value);
  return value;
}

// No element holds more than 4 GiB: the cells must fit beside the items.
constexpr unsigned long long kMaxCellBytes =
    std::numeric_limits<std::uint32_t>::max() - c::kCellTable;

// A plan that holds the old copy of a remade column holds the new one in its
// place: a reference never points at a replaced element, and the column keeps
// its position (as a column that fits keeps it). The copy keeps the items
// that say where it stands.
void followIntoHoldingPlan(Workspace& workspace, long long old, long long fresh) {
  const long long plan = loadItem<std::int64_t>(workspace, fresh, c::HoldingTestplan);
  const std::int32_t index = loadItem<std::int32_t>(workspace, fresh, c::ColumnIndex);
  if (plan <= 0 || index < 0 || !workspace.isElement(plan) || workspace.isReplaced(plan)) return;
  if (loadItem<std::int32_t>(workspace, plan, element_header::kClassId) != element_class::kTestplan)
    return;
  const std::int32_t count = loadItem<std::int32_t>(workspace, plan, testplan::ColumnCount);
  const unsigned long long table = (workspace.getElementSize(plan) - testplan::kColumnTable) / 8;
  if (index >= count || static_cast<unsigned long long>(index) >= table) return;
  char* entry = workspace.getBaseAddress() + plan + testplan::kColumnTable + 8ll * index;
  if (loadAt<std::int64_t>(entry) == old) storeAt<std::int64_t>(entry, fresh);
}

long long openColumn(const std::wstring& name, int type, unsigned long long rows) {
  const unsigned int cell = rowCellBytes(type);
  if (cell == 0) {
    throw WorkspaceException("the test plan column \"" + narrowName(name) +
                             "\" cannot hold cells of item type " + std::to_string(type));
  }
  if (rows > kMaxCellBytes / cell) {
    throw WorkspaceException("the test plan column \"" + narrowName(name) + "\" of " +
                             std::to_string(rows) + " rows of " + std::to_string(cell) +
                             " bytes is too large");
  }
  const unsigned long long bytes = rows * cell;
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  long long handle = workspace->openOrCreateElement(element_class::kTestplanColumn, name, bytes);
  const std::int64_t oldRows = loadItem<std::int64_t>(*workspace, handle, c::RowCount);
  const bool sameCells =
      loadItem<std::int32_t>(*workspace, handle, c::CellType) == type &&
      loadItem<std::int32_t>(*workspace, handle, c::CellSize) == static_cast<std::int32_t>(cell);
  if (sameCells && oldRows == static_cast<std::int64_t>(rows)) return handle;

  const unsigned long long room = workspace->getElementSize(handle) - c::kCellTable;
  if (bytes > room) {
    // Twice the old table, so that files with more and fewer rows in turn do
    // not remake the column on every load; the copy's cells start empty.
    const unsigned long long grown =
        std::max(bytes, std::min(2 * room, kMaxCellBytes / 8 * 8));
    const long long old = handle;
    handle = workspace->replaceElement(handle, grown, 0);
    followIntoHoldingPlan(*workspace, old, handle);
  } else if (sameCells && oldRows >= 0 && static_cast<unsigned long long>(oldRows) <= room / cell) {
    // Only the row count changes: the rows both counts have keep their
    // cells, values and listeners; the rows dropped are emptied while they
    // are still rows, telling the listeners of each cell whose value changes.
    // Every cell keeps its listener block. Cells beyond the old rows were
    // emptied when they were dropped.
    if (rows < static_cast<unsigned long long>(oldRows)) TestplanColumn(handle).clearRowsFrom(rows);
  } else {
    // A new shape for the old table: nothing of the old cells (values,
    // listener blocks) may show through the new ones.
    std::memset(workspace->getBaseAddress() + handle + c::kCellTable, 0, room);
  }
  workspace->setItem(handle + c::CellType, type);
  workspace->setItem(handle + c::CellSize, static_cast<int>(cell));
  workspace->setItem(handle + c::RowCount, static_cast<long long>(rows));
  return handle;
}

}  // namespace

TestplanColumn::TestplanColumn(const std::wstring& name, int type, unsigned long long rows)
    : ElementClass(openColumn(name, type, rows), AsGiven{}) {}

TestplanColumn::TestplanColumn(long long handle) : ElementClass(handle) {}

void TestplanColumn::requireCurrent(const char* operation) const {
  requireValid(operation);
  // A column remade since keeps its old class id negated: one load tells.
  if (loadItem<std::int32_t>(*workspace_, handle_, element_header::kClassId) != kClassId)
    workspace_->checkElement(kClassId, handle_);
}

unsigned long long TestplanColumn::getRowCount() const {
  requireCurrent("getRowCount");
  const std::int64_t rows = loadItem<std::int64_t>(*workspace_, handle_, c::RowCount);
  return rows < 0 ? 0 : static_cast<unsigned long long>(rows);
}

int TestplanColumn::getCellType() const {
  requireCurrent("getCellType");
  return loadItem<std::int32_t>(*workspace_, handle_, c::CellType);
}

unsigned int TestplanColumn::getPropertyForRow(int row) const {
  const unsigned long long rows = getRowCount();
  if (row < 0 || static_cast<unsigned long long>(row) >= rows) {
    throw WorkspaceException("getPropertyForRow: row " + std::to_string(row) +
                             " is out of range for test plan column " + getName() +
                             ", which has " + std::to_string(rows) + " rows");
  }
  // The shape is memory another process may have written; the workspace
  // checks the cell again when it is read or written.
  const std::uint32_t size = loadItem<std::uint32_t>(*workspace_, handle_, c::CellSize);
  const unsigned long long item =
      c::kCellTable + static_cast<unsigned long long>(size) * static_cast<unsigned long long>(row);
  if (item > std::numeric_limits<unsigned int>::max()) {
    throw WorkspaceException("getPropertyForRow: test plan column " + getName() +
                             " has a broken cell size " + std::to_string(size));
  }
  return static_cast<unsigned int>(item);
}

void TestplanColumn::clearRowsFrom(unsigned long long row) {
  const unsigned long long rows = getRowCount();
  if (row >= rows) return;
  const int type = getCellType();
  const std::uint32_t size = loadItem<std::uint32_t>(*workspace_, handle_, c::CellSize);
  // The shape is memory another process may have written: only a shape the
  // class makes is trusted, and no cell beyond the element is touched.
  if (rowCellBytes(type) == 0 || size != rowCellBytes(type) ||
      rows > (workspace_->getElementSize(handle_) - c::kCellTable) / size) {
    throw WorkspaceException("clearRowsFrom: test plan column " + getName() +
                             " has a broken shape (item type " + std::to_string(type) +
                             ", cell size " + std::to_string(size) + ", " +
                             std::to_string(rows) + " rows)");
  }
  // The value only, through the notifying write: the listener block after
  // it stays as it is.
  for (unsigned long long r = row; r < rows; ++r)
    emptyCell(static_cast<unsigned int>(c::kCellTable + r * size), type);
}

void TestplanColumn::emptyCell(unsigned int property, int type) {
  switch (type) {
    case item_type::kInt:
    case item_type::kListenedInt:
      ItemNotifyerElement<TestplanColumn>::set(property, 0);
      break;
    case item_type::kUnsigned:
    case item_type::kListenedUnsigned:
      ItemNotifyerElement<TestplanColumn>::set(property, 0u);
      break;
    case item_type::kLongLong:
    case item_type::kListenedLongLong:
      ItemNotifyerElement<TestplanColumn>::set(property, 0LL);
      break;
    default:
      if (holdsText())
        ItemNotifyerElement<TestplanColumn>::set(property, std::wstring());
      else
        ItemNotifyerElement<TestplanColumn>::set(property, 0.0);
  }
}

bool TestplanColumn::holdsText() const {
  const int type = getCellType();
  return type == item_type::kWideText || type == item_type::kNarrowText ||
         type == item_type::kWideText504 || type == item_type::kListenedWideText256 ||
         type == item_type::kListenedWideText504 || type == item_type::kListenedWideText1028 ||
         type == item_type::kListenedWideText4100 || type == item_type::kListenedNarrowText256;
}

std::wstring TestplanColumn::numberText(double value) {
  char text[64];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  return std::wstring(text, end.ptr);
}

std::wstring TestplanColumn::numberText(int value) {
  return std::to_wstring(value);
}

}  // namespace workspace
}  // namespace tavik
