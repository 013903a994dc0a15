// ParameterLoader::manage_set_names: links the workspace parameters that
// write the same set channel of the same device.
//
// Every parameter of the workspace takes part, whichever configuration or
// process made it: the workspace is the bench's, shared by all its processes,
// and no load removes a parameter. The links are those of comparing every
// ordered pair: for each parameter A in workspace order with a non-empty set
// channel and set device, every other parameter B (in workspace order) with
// the same two texts is A's partner. Sorting the parameters by their pair of
// texts (then by workspace position) first makes each group one run of
// positions, so each parameter is read once: the work grows with n log n
// plus the number of links instead of with n².
//
// Each list is made to hold exactly its partners: one that holds them already
// (the same file loaded again) is not written; any other is emptied and
// filled anew, so a partner that changed its channel leaves the list and no
// link is ever there twice. Map bindings are not touched here.
#include <algorithm>
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

  // One entry per parameter that has both texts; an entry is its set
  // channel, set device (8-bit) and position in ids.
  struct Entry {
    std::string channel;
    std::string device;
    std::size_t position;
  };
  std::vector<workspace::Parameter> parameters;
  std::vector<Entry> entries;
  parameters.reserve(ids.size());
  entries.reserve(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    parameters.emplace_back(ids[i]);
    Entry entry{parameters[i].get<std::string>(param::Set_ChannelName),
                parameters[i].get<std::string>(param::Set_DeviceName), i};
    if (entry.channel.empty() || entry.device.empty()) continue;
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const int channel = a.channel.compare(b.channel);
    if (channel != 0) return channel < 0;
    const int device = a.device.compare(b.device);
    if (device != 0) return device < 0;
    return a.position < b.position;
  });

  // group_of[i] := the run [first, last) of entries that holds position i.
  using Run = std::pair<std::size_t, std::size_t>;
  std::vector<Run> group_of(ids.size(), Run(0, 0));
  for (std::size_t first = 0; first < entries.size();) {
    std::size_t last = first + 1;
    while (last < entries.size() && entries[last].channel == entries[first].channel &&
           entries[last].device == entries[first].device)
      ++last;
    for (std::size_t k = first; k < last; ++k) group_of[entries[k].position] = Run(first, last);
    first = last;
  }

  std::vector<long long> partners;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    partners.clear();
    for (std::size_t k = group_of[i].first; k < group_of[i].second; ++k) {
      const std::size_t j = entries[k].position;
      if (j != i) partners.push_back(ids[j]);
    }
    if (parameters[i].holdsSameSetNameParameters(partners)) continue;
    parameters[i].clear_same_setname_parameters();
    for (const long long partner : partners) parameters[i].add_same_setname_parameter(partner);
  }
}

}  // namespace tavik
