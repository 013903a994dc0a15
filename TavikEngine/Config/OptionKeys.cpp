#include "TavikEngine/Config/OptionKeys.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/XmlText.h"

namespace tavik {
namespace {

bool startsWithAny(const char* text, const std::vector<const char*>& prefixes) {
  for (const char* prefix : prefixes)
    if (std::strncmp(text, prefix, std::strlen(prefix)) == 0) return true;
  return false;
}

// Adds the texts of the text nodes (PCDATA and CDATA) directly below
// `element` that start with one of `prefixes`: an element "has the text T"
// when one of them equals T.
void appendTexts(const pugi::xml_node& element, std::vector<std::string>* texts,
                 const std::vector<const char*>& prefixes = {""}) {
  for (const pugi::xml_node& child : element.children()) {
    if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
        startsWithAny(child.value(), prefixes))
      texts->push_back(child.value());
  }
}

// `texts` without repeats (in no particular order).
std::vector<std::string> distinct(std::vector<std::string> texts) {
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  return texts;
}

}  // namespace

OptionKeyIndex::OptionKeyIndex(const pugi::xml_node& measurementDefinition, const char* prefix) {
  indexAll(measurementDefinition, {prefix});
}

OptionKeyIndex::OptionKeyIndex(const pugi::xml_node& measurementDefinition, const char* prefix,
                               const char* otherPrefix) {
  indexAll(measurementDefinition, {prefix, otherPrefix});
}

void OptionKeyIndex::indexAll(const pugi::xml_node& measurementDefinition,
                              const std::vector<const char*>& prefixes) {
  // An option is listed under each of its distinct values: the lists of one
  // value are the same whichever other prefixes are indexed too.
  indexOptions(measurementDefinition, "Sequences", "Sequence", prefixes, &sequenceOptions_);
  indexOptions(measurementDefinition, "ActionGroupDatas", "ActionGroupData", prefixes,
               &groupDataOptions_);
  indexPlacements(measurementDefinition, "Sequences", "Sequence", &sequencePlacements_,
                  &sequencePlacingName_);
  indexPlacements(measurementDefinition, "ActionGroupSequences", "ActionGroupSequence",
                  &bodyPlacements_, &bodyPlacingName_);
}

void OptionKeyIndex::indexOptions(const pugi::xml_node& root, const char* container,
                                  const char* owner,
                                  const std::vector<const char*>& prefixes,
                                  ByText<OptionPlace>* byValue) {
  for (const pugi::xml_node& list : root.children(container))
    for (const pugi::xml_node& ownerNode : list.children(owner))
      for (const pugi::xml_node& actions : ownerNode.children("Actions"))
        for (const pugi::xml_node& action : actions.children("Action"))
          for (const pugi::xml_node& options : action.children("Options"))
            for (const pugi::xml_node& option : options.children("Option")) {
              // One entry per option, however many of its values hold the text.
              std::vector<std::string> values;
              for (const pugi::xml_node& list : option.children("Values"))
                for (const pugi::xml_node& value : list.children("Value"))
                  appendTexts(value, &values, prefixes);
              if (values.empty()) continue;
              for (const std::string& value : distinct(std::move(values)))
                (*byValue)[value].push_back({ownerNode, action, option});
            }
}

void OptionKeyIndex::indexPlacements(
    const pugi::xml_node& root, const char* container, const char* owner,
    ByText<GroupPlace>* byData, std::unordered_map<std::string, pugi::xml_node>* firstOwnerByName) {
  for (const pugi::xml_node& list : root.children(container))
    for (const pugi::xml_node& ownerNode : list.children(owner))
      for (const pugi::xml_node& actions : ownerNode.children("Actions"))
        for (const pugi::xml_node& group : actions.children("ActionGroup")) {
          // One entry per ActionGroupData element that holds the text, as a
          // selection of those elements would give.
          for (const pugi::xml_node& data : group.children("ActionGroupData")) {
            std::vector<std::string> names;
            appendTexts(data, &names);
            for (const std::string& name : distinct(std::move(names)))
              (*byData)[name].push_back({ownerNode, group});
          }
          // Earlier owners win: emplace keeps the first one.
          std::vector<std::string> names;
          for (const pugi::xml_node& name : group.children("Name")) appendTexts(name, &names);
          for (const std::string& name : names) firstOwnerByName->emplace(name, ownerNode);
        }
}

std::wstring OptionKeyIndex::text(const pugi::xml_node& node, const char* child) {
  return wideText(node.child_value(child));
}

std::vector<std::wstring> OptionKeyIndex::keysFor(const std::wstring& value) {
  std::vector<std::wstring> keys;
  const std::string valueText = utf8Text(value);

  const auto inSequences = sequenceOptions_.find(valueText);
  if (inSequences != sequenceOptions_.end()) {
    for (const OptionPlace& place : inSequences->second) {
      keys.push_back(L"_prop_" + text(place.owner, "Category") + L"_Sequence" + L"/" +
                     text(place.action, "Name") + text(place.option, "Name") +
                     L"_action_property");
    }
  }

  const auto inGroupData = groupDataOptions_.find(valueText);
  if (inGroupData != groupDataOptions_.end()) {
    for (const OptionPlace& place : inGroupData->second) appendKeysOfGroupDataOption(place, &keys);
  }
  return keys;
}

void OptionKeyIndex::appendKeysOfGroupDataOption(const OptionPlace& option,
                                                 std::vector<std::wstring>* keys) {
  const std::string dataName = utf8Text(text(option.owner, "Name"));
  const std::wstring tail =
      L"/" + text(option.action, "Name") + text(option.option, "Name") + L"_action_property";

  const auto bySequence = sequencePlacements_.find(dataName);
  if (bySequence != sequencePlacements_.end()) {
    for (const GroupPlace& place : bySequence->second) {
      keys->push_back(L"_prop_" + text(place.owner, "Category") + L"_Sequence/" +
                      text(place.group, "Name") + tail);
    }
  }

  const auto byBody = bodyPlacements_.find(dataName);
  if (byBody == bodyPlacements_.end()) return;
  for (const GroupPlace& place : byBody->second) {
    std::wstring category = text(place.owner, "Category");
    const std::wstring groupName = text(place.group, "Name");

    // Outwards from the placement: which body places a group of this name?
    std::vector<std::wstring> chain;
    std::unordered_set<std::wstring> seen{groupName};
    std::wstring current = groupName;
    while (!current.empty()) {
      const auto placing = bodyPlacingName_.find(utf8Text(current));
      current.clear();
      if (placing == bodyPlacingName_.end()) break;
      current = text(placing->second, "Name");
      chain.push_back(current);
      // The walk is a function of the current name alone: a name met again
      // would repeat the same steps for ever.
      if (!current.empty() && !seen.insert(current).second)
        throw ConfigException("Action group bodies place each other in a cycle: " +
                              utf8Text(current));
    }
    if (chain.empty()) continue;

    const auto outermost = sequencePlacingName_.find(utf8Text(chain.back()));
    if (outermost != sequencePlacingName_.end()) category = text(outermost->second, "Category");

    std::wstring key = L"_prop_" + category + L"_Sequence/";
    for (auto body = chain.rbegin(); body != chain.rend(); ++body) key += *body + L"/";
    keys->push_back(key + groupName + tail);
  }
}

}  // namespace tavik
