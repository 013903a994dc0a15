// The configuration's property maps (Maps/Map) as workspace PropertyMap
// elements.
//
// load() makes, for every Map in document order, one keyed element per action
// option whose value is "Map:" + the map's Name (keys and their order as in
// OptionKeys.h; item ActionProperty = 1), then the map under its own name.
// Building an element starts it afresh (PropertyMap::reset): whatever an
// earlier load left in it is gone, and a map that needs a larger table is
// remade. Each element gets its X and Y axis values, z values, z limits and
// the extrapolation switch (ExtraPolation exactly "True"). An axis without
// values leaves its first-value and last-value items at 0. add_parameters(),
// after the parameters exist, binds the X and Y input parameters
// (XParameterName, YParameterName) of every such element: the parameter is
// opened by name (created when absent, as the workspace does), activated, and
// its handle written into XParameter / YParameter; an axis without values or
// an empty name binds nothing.
//
// Two Maps of one Name: the last definition wins wholly (its values, limits,
// switch and input parameters, nothing of an earlier one) and is loaded
// where the name first stands; every later Map of the name logs a WARNING
// "Map <name> is defined more than once; the last definition is loaded", in
// load() only.
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
//    one of its values (a name that does not fit, no room in the segment for
//    a larger map, more z values than the axes allow).
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include <pugixml.hpp>

#include "TavikEngine/Config/LoaderBase.h"

namespace tavik {
namespace workspace {
class PropertyMap;
}

class OptionKeyIndex;

// The map elements of one configuration, in the order load() visits them:
// per Map name, where it first stands in document order, its option keys,
// then its Name, each with the last Map of that name; every later Map of the
// name is listed once, as a duplicate. Built once per load
// and shared by load() and add_parameters(); it holds nodes of its document,
// which must outlive it and stay unchanged.
class MapElements {
 public:
  // Reads the Maps section and the option keys of measurementDefinition.
  // Never throws ConfigException itself: a cycle of group bodies met while
  // listing a Map's keys ends the list there, and whoever walks the list
  // meets the same ConfigException at the same place.
  explicit MapElements(const pugi::xml_node& measurementDefinition);
  // The same with the keys from an index of measurementDefinition that
  // holds the "Map:" values.
  MapElements(const pugi::xml_node& measurementDefinition, OptionKeyIndex& optionKeys);

  enum class Kind { Keyed, Own, Duplicate };
  struct Entry {
    std::wstring name;  // element name; for a duplicate, the Map's Name
    pugi::xml_node map;  // the Map loaded (a duplicate: the Map that repeats the name)
    Kind kind;
    int xCount;  // Value children of XValues / YValues
    int yCount;
  };
  const std::vector<Entry>& entries() const { return entries_; }
  // Throws the ConfigException that ended the list, if one did.
  void throwIfCut() const;

 private:
  void list(const pugi::xml_node& maps, OptionKeyIndex& optionKeys);

  std::vector<Entry> entries_;
  bool cut_ = false;
  std::string cut_message_;
};

class MapLoader : public LoaderBase {
 public:
  MapLoader() = default;

  // Creates every map element of the configuration. Logs the INFO lines
  // "Preparing Property Maps" and "Preparing Property Maps ready" and times
  // itself as "Preparing Maps".
  void load(const pugi::xml_node& measurementDefinition);
  // The same from the element list of the configuration.
  void load(const MapElements& elements);

  // Binds the axis input parameters of every map element that load() made.
  // Logs "Adding Parameters to Property Maps" and "Adding Parameters to
  // Property Maps ready"; times itself as "Adding Parameter to Maps".
  void add_parameters(const pugi::xml_node& measurementDefinition);
  // The same from the element list that load() was given.
  void add_parameters(const MapElements& elements);

  // Whether the last load() built the map element of that name (a keyed or
  // an own one). The set is emptied when load() starts.
  bool built(const std::wstring& name) const;

 private:
  void create_map(const MapElements::Entry& entry);
  void bind_map_parameters(const MapElements::Entry& entry);

  // Walks the element list: a duplicate logs its WARNING (when
  // `warnDuplicates`) and is skipped, every other entry is visited; a list
  // cut by a cycle throws where it was cut.
  template <class Visit>
  void forEachMapElement(const MapElements& elements, bool warnDuplicates, Visit visit);

  std::unordered_set<std::wstring> built_;
};

// For the map element that an action option opens by its key
// (PropertyMap(name, 0, 0)), which the map loader builds when the option's
// map is configured: a map that the last load() of `maps` did not build is
// reset to what a new map holds (no shape, no values, every item 0), so that
// nothing an earlier load left in it shows through. A null `maps` (no map
// phase) leaves the map as it is.
void freshenOptionMap(const MapLoader* maps, workspace::PropertyMap& map,
                      const std::wstring& name);

}  // namespace tavik
