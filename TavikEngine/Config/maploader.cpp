#include "TavikEngine/Config/maploader.h"

#include <unordered_map>
#include <unordered_set>

#include <boost/shared_ptr.hpp>

#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/OptionKeys.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementItems.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"

namespace tavik {

namespace {

namespace map_item = workspace::property_map;

double numberOf(const pugi::xml_node& node) { return doubleText(node, 0.0); }

// Number of Value elements directly below the map's child `axis` (0 when it
// is missing).
int countValues(const pugi::xml_node& map, const char* axis) {
  int count = 0;
  for (const pugi::xml_node& value : map.child(axis).children("Value"))
    if (value.type() == pugi::node_element) ++count;
  return count;
}

}  // namespace

MapElements::MapElements(const pugi::xml_node& measurementDefinition) {
  const pugi::xml_node maps = measurementDefinition.child("Maps");
  if (!maps.child("Map")) return;
  OptionKeyIndex optionKeys(measurementDefinition, "Map:");
  list(maps, optionKeys);
}

MapElements::MapElements(const pugi::xml_node& measurementDefinition,
                         OptionKeyIndex& optionKeys) {
  list(measurementDefinition.child("Maps"), optionKeys);
}

void MapElements::list(const pugi::xml_node& maps, OptionKeyIndex& optionKeys) {
  // The last Map of each name: it is the one loaded, wholly, where the name
  // first stands.
  std::unordered_map<std::wstring, pugi::xml_node> last;
  for (const pugi::xml_node& map : maps.children("Map"))
    last[wideText(map.child_value("Name"))] = map;
  std::unordered_set<std::wstring> names;
  std::wstring value;
  for (const pugi::xml_node& found : maps.children("Map")) {
    std::wstring name = wideText(found.child_value("Name"));
    if (!names.insert(name).second) {
      entries_.push_back({std::move(name), found, Kind::Duplicate, 0, 0});
      continue;
    }
    const pugi::xml_node map = last.at(name);
    const int xCount = countValues(map, "XValues");
    const int yCount = countValues(map, "YValues");
    value.assign(L"Map:");
    value += name;
    try {
      // Every key is known before the first element is visited.
      for (std::wstring& key : optionKeys.keysFor(value))
        entries_.push_back({std::move(key), map, Kind::Keyed, xCount, yCount});
    } catch (const ConfigException& e) {
      cut_ = true;
      cut_message_ = e.what();
      return;
    }
    entries_.push_back({std::move(name), map, Kind::Own, xCount, yCount});
  }
}

void MapElements::throwIfCut() const {
  if (cut_) throw ConfigException(cut_message_);
}

template <class Visit>
void MapLoader::forEachMapElement(const MapElements& elements, bool warnDuplicates, Visit visit) {
  for (const MapElements::Entry& entry : elements.entries()) {
    if (entry.kind != MapElements::Kind::Duplicate) {
      visit(entry);
    } else if (warnDuplicates) {
      WLOG(WARNING) << L"Map " << entry.name
                    << L" is defined more than once; the last definition is loaded";
    }
  }
  elements.throwIfCut();
}

void MapLoader::load(const pugi::xml_node& measurementDefinition) {
  load(MapElements(measurementDefinition));
}

void MapLoader::load(const MapElements& elements) {
  DurationLogger timer(L"Preparing Maps");
  LOG(INFO) << "Preparing Property Maps";
  built_.clear();
  forEachMapElement(elements, true, [this](const MapElements::Entry& entry) {
    create_map(entry);
    built_.insert(entry.name);
  });
  LOG(INFO) << "Preparing Property Maps ready";
}

bool MapLoader::built(const std::wstring& name) const { return built_.count(name) != 0; }

void MapLoader::create_map(const MapElements::Entry& entry) {
  const pugi::xml_node& map = entry.map;
  const boost::shared_ptr<workspace::PropertyMap> element =
      create_shared<workspace::PropertyMap>(entry.name, entry.xCount, entry.yCount);
  element->increaseReferenceCounter();
  // No item of an element that the workspace did not give may be written.
  if (element->getHandle() < 1) throw ConfigException("Error creating Map");
  // What an earlier load left in the map (another shape, more z values, the
  // items written below only under a condition, input parameters) must not
  // show through: the map is built as a new one, larger when it must be.
  element->reset(entry.xCount, entry.yCount);
  if (entry.kind == MapElements::Kind::Keyed) element->set(map_item::ActionProperty, 1);

  // An axis without values leaves its first and last items at 0.
  unsigned index = 0;
  double last = 0.0;
  for (const pugi::xml_node& value : map.child("XValues").children("Value")) {
    last = numberOf(value);
    if (index == 0) element->set(map_item::XFirst, last);
    element->addXAchsisValue(index++, last);
  }
  if (index > 0) element->set(map_item::XLast, last);

  index = 0;
  for (const pugi::xml_node& value : map.child("YValues").children("Value")) {
    last = numberOf(value);
    if (index == 0) element->set(map_item::YFirst, last);
    element->addYAchsisValue(index++, last);
  }
  if (index > 0) element->set(map_item::YLast, last);

  index = 0;
  for (const pugi::xml_node& value : map.child("ZValues").children("Value"))
    element->addValue(index++, numberOf(value));

  element->set(map_item::ZLowerLimit, numberOf(map.child("ZLowerLimit")));
  element->set(map_item::ZUpperLimit, numberOf(map.child("ZUpperLimit")));
  if (wideText(map.child_value("ExtraPolation")) == L"True")
    element->set(map_item::ExtraPolation, 1);
}

void MapLoader::add_parameters(const pugi::xml_node& measurementDefinition) {
  add_parameters(MapElements(measurementDefinition));
}

void MapLoader::add_parameters(const MapElements& elements) {
  DurationLogger timer(L"Adding Parameter to Maps");
  LOG(INFO) << "Adding Parameters to Property Maps";
  forEachMapElement(elements, false,
                    [this](const MapElements::Entry& entry) { bind_map_parameters(entry); });
  LOG(INFO) << "Adding Parameters to Property Maps ready";
}

void MapLoader::bind_map_parameters(const MapElements::Entry& entry) {
  workspace::PropertyMap element(entry.name, entry.xCount, entry.yCount);
  const std::wstring xParameter = wideText(entry.map.child_value("XParameterName"));
  if (entry.xCount > 0 && !xParameter.empty()) {
    workspace::Parameter parameter(xParameter);
    parameter.activate();
    element.set(map_item::XParameter, parameter.getHandle());
  }
  const std::wstring yParameter = wideText(entry.map.child_value("YParameterName"));
  if (entry.yCount > 0 && !yParameter.empty()) {
    workspace::Parameter parameter(yParameter);
    parameter.activate();
    element.set(map_item::YParameter, parameter.getHandle());
  }
}

void freshenOptionMap(const MapLoader* maps, workspace::PropertyMap& map,
                      const std::wstring& name) {
  if (maps != nullptr && !maps->built(name)) map.reset(0, 0);
}

}  // namespace tavik
