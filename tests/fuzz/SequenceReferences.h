// Test helper for the fuzz target and the hostile-configuration test: the
// references of the sequences a load built that lead to an action the
// sequence does not list, one line each (empty when none):
//  - the sequence's start action;
//  - the successor of every exit port of every action it lists;
//  - the successor of every exit port, and the start action, of every group
//    an action it lists belongs to.
// A successor 0 (none, or a name that matched no action) is no reference.
// A sequence lists every action of its groups, so one list answers for all.
//
// `document` is the configuration text the load read: its Sequence nodes
// name the sequences checked ("Category" + "_Sequence"); an element an
// earlier file left is never checked. Never throws for what the workspace
// holds: an access it refuses is a line of its own.
#pragma once

#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "TavikEngine/Config/XmlText.h"
#include "workspace/ActionGroup.h"
#include "workspace/ElementItems.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace tavik_fuzz {

inline std::vector<std::string> unlistedReferences(const std::string& document) {
  namespace ws = tavik::workspace;
  pugi::xml_document xml;
  xml.load_string(document.c_str());
  std::set<std::wstring> names;
  for (const pugi::xml_node& node :
       xml.child("MeasurementDefinition").child("Sequences").children("Sequence"))
    names.insert(tavik::wideText(node.child_value("Category")) + L"_Sequence");

  const auto workspace = ws::Workspace::getInstance();
  std::vector<std::string> out;
  for (const std::wstring& name : names) {
    const std::string sequenceName = tavik::utf8Text(name);
    try {
      const long long handle = workspace->findElement(name, ws::memory_area::kActions);
      if (workspace->getElementType(handle) != ws::element_type::kSequence) continue;
      const ws::Sequence sequence(handle);
      std::set<long long> listed;
      for (int k = 0; k < sequence.getActionCount(); ++k) listed.insert(sequence.getAction(k));
      const auto expectListed = [&](long long target, const std::string& what) {
        if (target != 0 && listed.count(target) == 0)
          out.push_back(sequenceName + ": " + what + " names " + std::to_string(target) +
                        ", which the sequence does not list");
      };
      expectListed(sequence.getStartAction(), "the start action");
      std::set<long long> groups;
      for (const long long listedAction : listed) {
        const ws::SharedAction action(listedAction);
        const std::string actionName = action.getName();
        const int ports = std::min(action.getExitCount(), action.getPortRoom());
        for (int port = 0; port < ports; ++port)
          expectListed(action.getExitPort(port).successor,
                       "port " + std::to_string(port) + " of " + actionName);
        if (action.get<int>(ws::shared_action::InGroup) == 1)
          groups.insert(action.get<long long>(ws::shared_action::GroupHandle));
      }
      for (const long long groupHandle : groups) {
        const ws::ActionGroup group(groupHandle);
        expectListed(group.getStartAction(), "the start action of group " + group.getName());
        for (int k = 0; k < group.getNextActionCount(); ++k)
          expectListed(group.getNextAction(k).target,
                       "exit port " + std::to_string(k) + " of group " + group.getName());
      }
    } catch (const WorkspaceException& e) {
      out.push_back(sequenceName + ": " + e.twhat());
    }
  }
  return out;
}

}  // namespace tavik_fuzz
