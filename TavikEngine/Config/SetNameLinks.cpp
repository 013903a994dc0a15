// ParameterLoader::manage_set_names: links the workspace parameters that
// write the same set channel of the same device.
//
// The links are those of comparing every ordered pair of parameters: for
// each parameter A in workspace order with a non-empty set channel and set
// device, every other parameter B (in workspace order) with the same two
// texts is added to A's list. Grouping the parameters by their pair of texts
// first gives the same calls in the same order while reading each parameter
// once, so the work grows with the number of parameters plus the number of
// links instead of with the square of the workspace.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TavikEngine/Config/parameterloader.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {

void ParameterLoader::manage_set_names() const {
  namespace param = workspace::parameter;
  std::vector<long long> ids;
  workspace::Workspace::getInstance()->getAllElementsOfType(
      workspace::element_type::kParameter, ids, workspace::memory_area::kParameters);

  using SetName = std::pair<std::string, std::string>;  // set channel, set device (8-bit)
  std::vector<workspace::Parameter> parameters;
  std::vector<const std::vector<std::size_t>*> group_of(ids.size(), nullptr);
  std::map<SetName, std::vector<std::size_t>> groups;
  parameters.reserve(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    parameters.emplace_back(ids[i]);
    SetName key(parameters[i].get<std::string>(param::Set_ChannelName),
                parameters[i].get<std::string>(param::Set_DeviceName));
    if (key.first.empty() || key.second.empty()) continue;
    std::vector<std::size_t>& group = groups[key];
    group.push_back(i);
    group_of[i] = &group;  // map nodes stay put while the map grows
  }

  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (group_of[i] == nullptr) continue;
    for (std::size_t j : *group_of[i]) {
      if (ids[j] != ids[i]) parameters[i].add_same_setname_parameter(ids[j]);
    }
  }
}

}  // namespace tavik
