#include "TavikEngine/Config/maploader.h"

#include <unordered_set>

#include <boost/shared_ptr.hpp>

#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/OptionKeys.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementItems.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"

namespace tavik {

namespace {

namespace map_item = workspace::property_map;

double numberOf(const pugi::xml_node& node) { return doubleText(node, 0.0); }

}  // namespace

int MapLoader::countValues(const pugi::xml_node& map, const wchar_t* axis) {
  return countXPathMatches(map, axis, L"Value");
}

void MapLoader::forEachMapElement(
    const pugi::xml_node& measurementDefinition, bool warnDuplicates,
    const std::function<void(const std::wstring&, const pugi::xml_node&, bool)>& visit) {
  const pugi::xml_node maps = measurementDefinition.child("Maps");
  if (!maps.child("Map")) return;
  OptionKeyIndex optionKeys(measurementDefinition, "Map:");
  std::unordered_set<std::wstring> names;
  for (const pugi::xml_node& map : maps.children("Map")) {
    const std::wstring name = getChildValue(map, L"Name", L"NN");
    // A second Map of one name would re-open the first with other counts.
    if (!names.insert(name).second) {
      if (warnDuplicates) {
        WLOG(WARNING) << L"Map " << name
                      << L" is defined more than once; the first definition is loaded";
      }
      continue;
    }
    // Every key is known before the first element is visited.
    for (const std::wstring& key : optionKeys.keysFor(L"Map:" + name)) visit(key, map, true);
    visit(name, map, false);
  }
}

void MapLoader::load(const pugi::xml_node& measurementDefinition) {
  DurationLogger timer(L"Preparing Maps");
  LOG(INFO) << "Preparing Property Maps";
  forEachMapElement(measurementDefinition, true,
                    [this](const std::wstring& name, const pugi::xml_node& map, bool keyed) {
                      create_map(name, map, keyed);
                    });
  LOG(INFO) << "Preparing Property Maps ready";
}

void MapLoader::create_map(const std::wstring& name, const pugi::xml_node& map, bool keyed) {
  const int xCount = countValues(map, L"XValues");
  const int yCount = countValues(map, L"YValues");
  const boost::shared_ptr<workspace::PropertyMap> element =
      create_shared<workspace::PropertyMap>(name, xCount, yCount);
  element->increaseReferenceCounter();
  // No item of an element that the workspace did not give may be written.
  if (element->getHandle() < 1) throw ConfigException("Error creating Map");
  if (keyed) element->set(map_item::ActionProperty, 1);

  // An axis without values leaves its first and last items as they are.
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
  if (getChildValue(map, L"ExtraPolation", L"") == L"True")
    element->set(map_item::ExtraPolation, 1);
}

void MapLoader::add_parameters(const pugi::xml_node& measurementDefinition) {
  DurationLogger timer(L"Adding Parameter to Maps");
  LOG(INFO) << "Adding Parameters to Property Maps";
  forEachMapElement(measurementDefinition, false,
                    [this](const std::wstring& name, const pugi::xml_node& map, bool) {
                      bind_map_parameters(name, map);
                    });
  LOG(INFO) << "Adding Parameters to Property Maps ready";
}

void MapLoader::bind_map_parameters(const std::wstring& name, const pugi::xml_node& map) {
  const int xCount = countValues(map, L"XValues");
  const int yCount = countValues(map, L"YValues");
  workspace::PropertyMap element(name, xCount, yCount);
  const std::wstring xParameter = getChildValue(map, L"XParameterName", L"");
  if (xCount > 0 && !xParameter.empty()) {
    workspace::Parameter parameter(xParameter);
    parameter.activate();
    element.set(map_item::XParameter, parameter.getHandle());
  }
  const std::wstring yParameter = getChildValue(map, L"YParameterName", L"");
  if (yCount > 0 && !yParameter.empty()) {
    workspace::Parameter parameter(yParameter);
    parameter.activate();
    element.set(map_item::YParameter, parameter.getHandle());
  }
}

}  // namespace tavik
