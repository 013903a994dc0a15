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
// Opening a map that exists already (by name, with counts):
//  - counts equal to the stored ones, or both 0 (opening a map without
//    stating its shape): the map is kept as it is;
//  - other counts whose values fit the element's table: the map takes the new
//    shape and every axis and z value becomes 0 (a configuration loaded again
//    with a smaller map);
//  - counts that need more values than the table holds: WorkspaceException.
//    Elements never move or grow, so a map keeps the room it was created with.
// A reshape is not guarded against another process reading the map at the
// same time (as for every item write).
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class PropertyMap : public ElementClass<PropertyMap, element_class::kPropertyMap> {
 public:
  // Opens the map of that name (memory area 0x300000), creating it for x X
  // axis values and y Y axis values when absent; see Opening above.
  // WorkspaceException as described there, or when the table would exceed
  // the element size limit.
  PropertyMap(const std::wstring& name, unsigned long long x, unsigned long long y);
  // Opens the map at that handle; WorkspaceException when it is none.
  explicit PropertyMap(long long handle);

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
