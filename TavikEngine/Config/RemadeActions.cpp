// An action that a second node of the same sequence builds again with more
// exit ports is remade under its name, after the first node's actions,
// groups and start action already refer to it. Those references then lead to
// the new copy, as they would had the action been made that large at first.
#include <algorithm>

#include <boost/shared_ptr.hpp>

#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/Config/sequenceloader.h"
#include "workspace/ActionGroup.h"
#include "workspace/ElementItems.h"
#include "workspace/LinkPath.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"

namespace tavik {

void SequenceLoader::followRemadeActions() {
  namespace ws = workspace;
  // An action remade twice leads to its last copy.
  const auto current = [this](long long handle) {
    for (auto at = remadeActions.find(handle); at != remadeActions.end();
         at = remadeActions.find(handle))
      handle = at->second;
    return handle;
  };
  const auto follows = [this](long long handle) { return remadeActions.count(handle) != 0; };
  for (const long long handle : builtElements()) {
    if (workspace->isReplaced(handle)) continue;
    const int type = workspace->getElementType(handle);
    if (type == ws::element_type::kSharedAction) {
      ws::SharedAction action(handle);
      const int ports = std::min(action.getExitCount(), action.getPortRoom());
      for (int port = 0; port < ports; ++port) {
        const ws::SharedAction::ExitPort exit = action.getExitPort(port);
        if (follows(exit.successor)) {
          action.addNextAction(port, exit.mode,
                               create_shared<ws::SharedAction>(current(exit.successor)),
                               exit.link > 0 ? exit.link : -1);
        }
        if (exit.link > 0 && workspace->getElementType(exit.link) == ws::element_type::kLinkPath) {
          ws::LinkPath path(exit.link);
          for (const unsigned int end : {ws::link_path::START_ACTION, ws::link_path::TARGET_ACTION}) {
            const long long at = path.get<long long>(end);
            if (follows(at)) path.set(end, current(at));
          }
        }
      }
    } else if (type == ws::element_type::kActionGroup) {
      ws::ActionGroup group(handle);
      for (const unsigned int item : {ws::action_group::StartAction, ws::action_group::BottomAction}) {
        const long long at = group.get<long long>(item);
        if (follows(at)) group.set(item, current(at));
      }
      for (int k = 0; k < group.getNextActionCount(); ++k) {
        const ws::ActionGroup::NextAction next = group.getNextAction(k);
        if (follows(next.target))
          group.addNextAction(next.innerName, next.portName, current(next.target), next.link,
                              next.x, next.y);
      }
    } else if (type == ws::element_type::kSequence) {
      ws::Sequence sequence(handle);
      const long long start = sequence.get<long long>(ws::sequence::StartAction);
      if (follows(start)) sequence.set(ws::sequence::StartAction, current(start));
    }
  }
}

}  // namespace tavik
