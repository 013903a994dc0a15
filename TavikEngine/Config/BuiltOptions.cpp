// SequenceLoader::forEachBuiltOption: which action options a load applies,
// and in which order, without building anything. It walks the document as
// load() does, through the same index, group lookups and rules (the last
// action of a Name, groups something refers to, the bound on group
// instances); load() builds elements at each step of its own walk, so the
// two walks cannot be one.
#include <algorithm>

#include "TavikEngine/Config/ChildFields.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/DataOptions.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/sequenceloader.h"
#include "TavikEngine/Workspace/SharedElement.h"
#include "workspace/ElementClasses.h"
#include "workspace/ElementSchema.h"
#include "workspace/Utf16.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace {

constexpr int kActionType = workspace::element_type::kSharedAction;
constexpr int kActionClass = workspace::element_class::kSharedAction;

// Whether an element of the class may take the name: the workspace refuses
// a name that does not fit its class's name room with the terminating zero
// unit, or that holds a zero character.
bool fitsElementName(int elementClass, const std::wstring& name) {
  const workspace::ElementSchema* schema = workspace::findSchema(elementClass);
  const std::size_t room = (schema->first_item - workspace::element_header::kName) / 2;
  return name.find(L'\0') == std::wstring::npos && workspace::utf16Length(name) + 1 <= room;
}

}  // namespace

void SequenceLoader::forEachBuiltOption(const pugi::xml_node& measurementDefinition,
                                        const OptionVisitor& visit) {
  indexDocument(measurementDefinition);
  struct Forget {
    SequenceLoader& loader;
    ~Forget() { loader.forgetDocument(); }
  } forget{*this};
  std::vector<std::wstring> chain;
  for (const pugi::xml_node& sequence :
       measurementDefinition.child("Sequences").children("Sequence")) {
    const pugi::xml_node actions = sequence.child("Actions");
    const std::wstring name = childText(sequence, "Category") + L"_Sequence";
    try {
      // A sequence that would make too many groups is refused whole.
      checkGroupInstances(actions, measurementDefinition, name);
    } catch (const ConfigException&) {
      continue;
    }
    visitBuiltOptions(actions, measurementDefinition, name, nullptr, chain, visit);
  }
}

void SequenceLoader::visitBuiltOptions(const pugi::xml_node& actions,
                                       const pugi::xml_node& measurementDefinition,
                                       const std::wstring& name, const pugi::xml_node* data,
                                       std::vector<std::wstring>& chain,
                                       const OptionVisitor& visit) {
  LastActions last;
  const bool repeats = lastOfEachName(actions, last);
  for (const pugi::xml_node& action : actions.children("Action")) {
    if (repeats && last[action.child_value("Name")] != action) continue;
    const std::wstring actionName = childText(action, "Name");
    const std::wstring fullName = name + L"/" + actionName;
    if (!fitsElementName(kActionClass, fullName)) continue;
    long long held = 0;
    const int kind = workspace->getElementType(fullName, held);
    const bool certain = kind == -1 || kind == kActionType;
    const pugi::xml_node options = action.child("Options");
    if (data == nullptr) {
      for (const pugi::xml_node& option : options.children("Option"))
        visit(option, nullptr, certain);
      continue;
    }
    const pugi::xml_node dataAction = findAction(*data, actionName);
    const DataOptions dataOptions(options.child("Option") ? dataAction.child("Options")
                                                          : pugi::xml_node());
    for (const pugi::xml_node& option : options.children("Option")) {
      const pugi::xml_node valueOption = dataOptions.find(option.child_value("Name"));
      visit(option, &valueOption, certain);
    }
  }

  for (const pugi::xml_node& group : actions.children("ActionGroup")) {
    const std::wstring groupName = childText(group, "Name");
    if (!isReferencedGroup(measurementDefinition, utf8Text(groupName))) continue;
    const std::wstring definitionName = childText(group, "ActionGroupSequence");
    // A definition that places itself fails its sequence there.
    if (std::find(chain.begin(), chain.end(), definitionName) != chain.end()) continue;
    const pugi::xml_node groupActions =
        findActionGroupSequence(measurementDefinition, definitionName).child("Actions");
    if (!groupActions.child("Action") && !groupActions.child("ActionGroup")) continue;
    const pugi::xml_node groupData =
        findActionGroupData(measurementDefinition, childText(group, "ActionGroupData"));
    chain.push_back(definitionName);
    visitBuiltOptions(groupActions, measurementDefinition, name + L"/" + groupName, &groupData,
                      chain, visit);
    chain.pop_back();
  }
}

}  // namespace tavik
