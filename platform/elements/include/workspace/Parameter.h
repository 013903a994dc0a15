// A parameter of the bench: a channel with its set and get sides, its
// category, demand values and current value. Items: parameter::Property.
//
// Property catalogue: the name of every parameter::Property value (except the
// four Log_Flags words, which only add_log_flags writes) is a property name
// that set(name, text), set_map, getHandleForProperty and getTypeForProperty
// accept, compared exactly (case-sensitive): "Set_ChannelName" is item 9156,
// "Get_ChannelName" 10420, "Set_Type" 696, "Get_Type" 704, "Unit" 1440,
// "Min" 976, "Max" 984, "Description" 2160, "Format" 1568, "Value" 13464,
// "Demand_Value" 968, "ParameterName" 1632, and so on (ElementItems.h).
#pragma once

#include <string>
#include <vector>

#include "wideint/uint256_t.h"
#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Parameter : public ElementClass<Parameter, element_class::kParameter> {
 public:
  // By name (memory area 0x400000) or by handle; see ElementClass.h.
  explicit Parameter(const std::wstring& name) : ElementClass(name) {}
  explicit Parameter(long long handle) : ElementClass(handle) {}

  // Notifying writes: listeners of the item are told.
  void set(parameter::Property property, const std::string& value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  void set(parameter::Property property, const std::wstring& value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  void set(parameter::Property property, int value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  void set(parameter::Property property, long long value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  // Writes a number item straight through the workspace: no listener is
  // told and no line is logged.
  void set(parameter::Property property, double value);

  // Stores a property given by its catalogue name, with the text converted to
  // the item's type (a notifying write):
  //  - text items take the text as it is (narrow items keep the low 8 bits of
  //    each character);
  //  - int and long long items take a decimal integer, double items a decimal
  //    number ("1.5", "-2e3"); blanks around the number are allowed and an
  //    empty text stores 0.
  // A name that is not in the catalogue stores nothing and logs one WARNING
  // naming the parameter, the property and the value (configurations carry
  // properties that only other tools read). A text that is not a number of
  // the item's kind, a number out of the item's range or a text longer than
  // the item's room throws WorkspaceException naming the property, the
  // parameter and the value; the item keeps its previous content.
  void set(const std::wstring& propertyName, const std::wstring& text);

  // Binds the property map named mapName to the property: the binding is
  // recorded in the parameter's map-binding list (a property bound again
  // gets the new map name; other bindings keep their places). An unknown
  // property name stores nothing and logs one WARNING, as set() does.
  // WorkspaceException when the map name does not fit
  // parameter::kMapBindingNameRoom bytes (the room of any map's name), or the
  // segment has no room for a longer list; the list is then as it was.
  void set_map(const std::wstring& propertyName, const std::wstring& mapName);
  // Name of the map bound to the property; empty when none is (or the name is
  // not in the catalogue).
  std::wstring get_map(const std::wstring& propertyName) const;
  // Drops the property's map binding, if it has one; the other bindings keep
  // their order. An unknown property name does nothing. No listener is told.
  void clear_map(const std::wstring& propertyName);
  // Number of properties with a bound map.
  int getMapBindingCount() const;
  // Drops every map binding (a load that binds the configured maps anew
  // calls it first). The list keeps its room; no listener is told.
  void clear_maps();

  // Marks the parameter active (Is_Active := 1). No listener is told.
  void activate();
  // The parameter starts at value: Set_Value and Value := value. No listener
  // is told.
  void initSetValue(double value);

  // Links another parameter that shares this parameter's set channel: its
  // handle joins the parameter's same-set-name list, in call order. A handle
  // already in the list is not added again. The list grows as needed (it is
  // an element of its own, so the parameter itself never moves);
  // WorkspaceException only when the segment has no room for a longer list,
  // which is then as it was.
  void add_same_setname_parameter(long long handle);
  // The linked handles, in the order they were added.
  std::vector<long long> getSameSetNameParameters() const;
  // Whether the list holds exactly these handles in this order, told by the
  // parameter's own record of its list (items Same_SetName_Count and
  // Same_SetName_Digest, which add_same_setname_parameter and
  // clear_same_setname_parameters keep) without reading the list element:
  // a loader that finds its links in place need not touch every list.
  bool holdsSameSetNameParameters(const std::vector<long long>& handles) const;
  // Empties the same-set-name list (a load that links the parameters anew
  // calls it first). The list keeps its room; no listener is told.
  void clear_same_setname_parameters();

  // Item number of the named property (a parameter::Property value, >= 1);
  // 0 when the name is not in the catalogue.
  long long getHandleForProperty(const std::wstring& propertyName) const;
  // Item type code (ElementSchema.h) of the named property; -1 when the name
  // is not in the catalogue.
  int getTypeForProperty(const std::wstring& propertyName) const;
  // Item type code of the property with that item number; -1 when the
  // parameter has no item there.
  int getTypeForProperty(unsigned int property) const;
  // The catalogue itself: the item number of a property name. False when the
  // name is not in the catalogue.
  static bool findProperty(const std::wstring& propertyName, parameter::Property& property);

  // Adds log flags to the parameter's flag set (a bitwise OR); no listener is
  // told.
  void add_log_flags(uint256_t flags);
  // The parameter's whole flag set.
  uint256_t getLogFlags() const;
};

}  // namespace workspace
}  // namespace tavik
