// A property map of the bench: a one- or two-dimensional lookup table with its
// X axis, optional Y axis and z values, the z limits, the extrapolation switch
// and the handles of its X and Y input parameters. Items: property_map::Item.
//
// Shape. A map is made for x X axis values and y Y axis values; it then holds
// x * max(y, 1) z values (a map without Y axis is one row). The values live in
// a table after the fixed items, sized when the element is created: X axis
// first, then Y axis, then the z values, each a double. The counts stand in
// the items XCount, YCount and ValueCount.
//
// Opening a map by name, with counts, opens an existing map as it is: its
// shape, values and items stay, whatever counts are given (they are the shape
// a new map is made with). Only a map without a shape (both counts 0) whose
// table holds the given counts takes them, with every value 0. So opening a
// map to bind its input parameters, or by an action option's key (0, 0),
// never changes it.
//
// Building a map: reset() gives it a new shape and makes it hold what a new
// map of that shape holds. A map whose table is too small is remade larger
// (Workspace::replaceElement); its name then leads to the new copy and the
// old handle is refused. Neither is guarded against another process reading
// the map at the same time (as for every item write).
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class PropertyMap : public ElementClass<PropertyMap, element_class::kPropertyMap> {
 public:
  // Opens the map of that name (memory area 0x300000), creating it for x X
  // axis values and y Y axis values when absent; see Opening above.
  // WorkspaceException when a table of x by y values would exceed the
  // element size limit, or the name is refused.
  PropertyMap(const std::wstring& name, unsigned long long x, unsigned long long y);
  // Opens the map at that handle; WorkspaceException when it is none.
  explicit PropertyMap(long long handle);

  // The step that builds the map in a load: the map takes the shape x by y,
  // every axis and z value becomes 0, and every item (OptionName,
  // ActionProperty, the input parameters, ExtraPolation, the limits, the
  // first and last axis values) holds what a new map holds; nothing is
  // logged and no listener is told. The element keeps its handle when its
  // table holds the new shape; otherwise it is remade with room for
  // max(x + y + z values, twice its old room) values, and this proxy then
  // denotes the new copy. WorkspaceException when the shape is too large or
  // the segment has no room for the larger copy; the map is then unchanged.
  void reset(unsigned long long x, unsigned long long y);

  // Store one value in the table (no listener is told, nothing is logged).
  // WorkspaceException when the index is not below the axis's (or the
  // table's) count. Names as the bench's library spells them.
  void addXAchsisValue(unsigned index, double value);
  void addYAchsisValue(unsigned index, double value);
  void addValue(unsigned index, double value);

  double getXAchsisValue(unsigned index) const;
  double getYAchsisValue(unsigned index) const;
  double getValue(unsigned index) const;

  unsigned long long getXCount() const;
  unsigned long long getYCount() const;
  unsigned long long getValueCount() const;

 private:
  // Index of a table slot: X axis from 0, Y axis after it, z values last.
  enum class Part { X, Y, Z };
  long long slotOffset(Part part, unsigned index, const char* operation) const;
};

}  // namespace workspace
}  // namespace tavik
