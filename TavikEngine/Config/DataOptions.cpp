#include "TavikEngine/Config/DataOptions.h"

namespace tavik {

DataOptions::DataOptions(const pugi::xml_node& options) {
  for (const pugi::xml_node& option : options.children("Option")) {
    for (const pugi::xml_node& name : option.children("Name")) {
      for (const pugi::xml_node& text : name.children()) {
        if (text.type() != pugi::node_pcdata && text.type() != pugi::node_cdata) continue;
        // An earlier Option of that name keeps its place.
        first_.emplace(std::string_view(text.value()), option);
      }
    }
  }
}

pugi::xml_node DataOptions::find(std::string_view name) const {
  const auto found = first_.find(name);
  return found == first_.end() ? pugi::xml_node() : found->second;
}

}  // namespace tavik
