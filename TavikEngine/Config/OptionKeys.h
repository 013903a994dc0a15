// Keys under which an action option's value is registered by the loaders that
// serve such values (the formula loader for "Formula:<name>", the map loader
// for "Map:<name>"). A key equals the element name that the action loader
// gives the option's property, so the action finds what was prepared for it.
//
// For a value text V the keys are, in this order:
//  1. every Option below Sequences/Sequence/Actions/Action/Options whose
//     Values/Value holds the text V, in document order:
//       "_prop_" + <Category of the Sequence> + "_Sequence/" + <Action Name>
//       + <Option Name> + "_action_property"
//  2. every Option below ActionGroupDatas/ActionGroupData/Actions/Action/Options
//     whose Values/Value holds V, in document order; for each, with D the
//     Name of its ActionGroupData:
//     a. every placement Sequences/Sequence/Actions/ActionGroup whose
//        ActionGroupData text is D, in document order:
//          "_prop_" + <Category of that Sequence> + "_Sequence/" + <ActionGroup
//          Name> + "/" + <Action Name> + <Option Name> + "_action_property"
//     b. every placement ActionGroupSequences/ActionGroupSequence/Actions/
//        ActionGroup whose ActionGroupData text is D, in document order. From
//        the placement's ActionGroup Name the walk goes outwards: the first
//        group body (ActionGroupSequence, document order) that places an
//        ActionGroup of the current name gives the next name, its own Name;
//        the walk stops when no body places the current name. The key is
//          "_prop_" + C + "_Sequence/" + <bodies found, outermost first, each
//          followed by "/"> + <ActionGroup Name> + "/" + <Action Name> +
//          <Option Name> + "_action_property"
//        where C is the Category of the first Sequence that places an
//        ActionGroup named like the outermost body, or else the Category of
//        the body that holds the placement.
//
// Names and categories are read as element text (a missing element reads as
// empty). Every comparison is of whole text nodes against the literal name,
// so quotes or XPath syntax in a name select nothing but that exact name.
//
// Not expected in a valid configuration, and handled so:
//  - group bodies that place each other in a cycle: the walk would never end;
//    it throws tavik::ConfigException "Action group bodies place each other
//    in a cycle: " + the repeated body name (UTF-8).
//  - a placement whose ActionGroup has no Name: no body places it, no action
//    can be loaded under it, and it gives no key.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "TavikEngine/Config/LoaderBase.h"

namespace tavik {

class OptionKeyIndex : private LoaderBase {
 public:
  // Collects, in one pass over the document, the options by value text and the
  // placements of group data and group bodies. Only the values that start with
  // `prefix` (the loader's own, "Map:" or "Formula:") are kept: the others
  // would never be asked for. The document must outlive the index and stay
  // unchanged; so must the prefix text.
  OptionKeyIndex(const pugi::xml_node& measurementDefinition, const char* prefix);
  // One index for the values of two loaders: what either index alone would
  // give for its own values, from one pass.
  OptionKeyIndex(const pugi::xml_node& measurementDefinition, const char* prefix,
                 const char* otherPrefix);

  // The keys for the option value `value` (for example L"Formula:Gain"), in the
  // order documented above; none for a value without the index's prefix.
  // Throws ConfigException on a cycle of group bodies.
  std::vector<std::wstring> keysFor(const std::wstring& value);

 private:
  struct OptionPlace {
    pugi::xml_node owner;  // Sequence, or ActionGroupData
    pugi::xml_node action;
    pugi::xml_node option;
  };
  struct GroupPlace {
    pugi::xml_node owner;  // Sequence, or ActionGroupSequence
    pugi::xml_node group;  // the ActionGroup element
  };
  template <typename Place>
  using ByText = std::unordered_map<std::string, std::vector<Place>>;

  // Owners are the `owner` children of every `container` child of the root.
  void indexAll(const pugi::xml_node& measurementDefinition,
                const std::vector<const char*>& prefixes);
  static void indexOptions(const pugi::xml_node& root, const char* container, const char* owner,
                           const std::vector<const char*>& prefixes,
                           ByText<OptionPlace>* byValue);
  static void indexPlacements(const pugi::xml_node& root, const char* container,
                              const char* owner, ByText<GroupPlace>* byData,
                              std::unordered_map<std::string, pugi::xml_node>* firstOwnerByName);
  void appendKeysOfGroupDataOption(const OptionPlace& option, std::vector<std::wstring>* keys);

  // Text of a child element (empty when missing), read straight from pugixml.
  static std::wstring text(const pugi::xml_node& node, const char* child);

  ByText<OptionPlace> sequenceOptions_;
  ByText<OptionPlace> groupDataOptions_;
  ByText<GroupPlace> sequencePlacements_;  // by ActionGroupData text
  ByText<GroupPlace> bodyPlacements_;      // by ActionGroupData text
  std::unordered_map<std::string, pugi::xml_node> sequencePlacingName_;
  std::unordered_map<std::string, pugi::xml_node> bodyPlacingName_;
};

}  // namespace tavik
