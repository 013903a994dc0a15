// The configuration's property maps (Maps/Map) as workspace PropertyMap
// elements.
//
// load() makes, for every Map in document order, one keyed element per action
// option whose value is "Map:" + the map's Name (keys and their order as in
// OptionKeys.h; item ActionProperty = 1), then the map under its own name.
// Each element gets its X and Y axis values, z values, z limits and the
// extrapolation switch (ExtraPolation exactly "True"). An axis without values
// writes neither its first-value nor its last-value item. add_parameters(),
// after the parameters exist, binds the X and Y input parameters
// (XParameterName, YParameterName) of every such element: the parameter is
// opened by name (created when absent, as the workspace does), activated, and
// its handle written into XParameter / YParameter; an axis without values or
// an empty name binds nothing.
//
// Two Maps of one Name: the first definition stands; the later one logs a
// WARNING "Map <name> is defined more than once; the first definition is
// loaded" and is skipped, in load() and add_parameters() alike.
//
// Numbers are read as element text (a missing or empty one is 0.0). Names are
// compared as literal texts, so a map name holding quotes loads like any
// other. Every item write is a notifying one; the values themselves are stored
// by the PropertyMap operations.
//
// Errors (maps created before the error stay in the workspace):
//  - tavik::ConfigException "Error creating Map" when the workspace gives no
//    element (no item of it is written then);
//  - tavik::ConfigException as OptionKeyIndex::keysFor for group bodies that
//    place each other in a cycle;
//  - WorkspaceException, unchanged, when the workspace refuses an element or
//    one of its values (a name that does not fit, a map that would have to
//    grow, more z values than the axes allow).
#pragma once

#include <functional>
#include <string>

#include <pugixml.hpp>

#include "TavikEngine/Config/LoaderBase.h"

namespace tavik {

class MapLoader : public LoaderBase {
 public:
  MapLoader() = default;

  // Creates every map element of the configuration. Logs the INFO lines
  // "Preparing Property Maps" and "Preparing Property Maps ready" and times
  // itself as "Preparing Maps".
  void load(const pugi::xml_node& measurementDefinition);

  // Binds the axis input parameters of every map element that load() made.
  // Logs "Adding Parameters to Property Maps" and "Adding Parameters to
  // Property Maps ready"; times itself as "Adding Parameter to Maps".
  void add_parameters(const pugi::xml_node& measurementDefinition);

 private:
  void create_map(const std::wstring& name, const pugi::xml_node& map, bool keyed);
  void bind_map_parameters(const std::wstring& name, const pugi::xml_node& map);

  // Calls `visit(element name, map, keyed)` for every map element of the
  // configuration: per Map in document order, its option keys, then its Name.
  // A Map whose Name an earlier Map has is skipped (with a WARNING when
  // `warnDuplicates`).
  void forEachMapElement(
      const pugi::xml_node& measurementDefinition, bool warnDuplicates,
      const std::function<void(const std::wstring&, const pugi::xml_node&, bool)>& visit);
  // Number of Value children of the map's child `axis` (0 when it is missing).
  int countValues(const pugi::xml_node& map, const wchar_t* axis);
};

}  // namespace tavik
