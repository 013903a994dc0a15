// ParameterLoader::manage_set_names: links the parameters of this load that
// write the same set channel of the same device, and leaves every other
// parameter without the links and map bindings of an earlier configuration.
//
// The links are those of comparing every ordered pair of the parameters this
// load made so far: for each parameter A in the order the load made them,
// with a non-empty set channel and set device, every other parameter B (in
// that order) with the same two texts is added to A's list. In an empty
// workspace that order is the workspace's own and these are all its
// parameters; over an earlier configuration's parameters the lists come out
// the same. Sorting the parameters by their pair of texts (then by position)
// first makes each group one run of positions, so the calls and their order
// stay those of the pairwise comparison while each parameter is read once:
// the work grows with n log n plus the number of links instead of with n².
#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "TavikEngine/Config/parameterloader.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {

void ParameterLoader::manage_set_names() const {
  namespace param = workspace::parameter;
  // The parameters made so far, each where it was noted first (parsed when
  // any note says so); `sorted` holds their handles in handle order for
  // look-ups. A parameter is rarely noted twice: only then are the notes
  // merged.
  std::vector<LoadedParameter> made = loaded_parameters_;
  std::vector<long long> sorted;
  sorted.reserve(made.size());
  for (const LoadedParameter& note : made) sorted.push_back(note.handle);
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::unordered_map<long long, std::size_t> first;
    std::vector<LoadedParameter> merged;
    for (const LoadedParameter& note : made) {
      const auto at = first.emplace(note.handle, merged.size());
      if (at.second) merged.push_back(note);
      else merged[at.first->second].parsed = merged[at.first->second].parsed || note.parsed;
    }
    made.swap(merged);
  }
  std::vector<long long> ids;
  ids.reserve(made.size());
  for (const LoadedParameter& note : made) ids.push_back(note.handle);

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

  // A list that already holds exactly its links (the same file loaded
  // again) is left as it is; any other is emptied and filled anew. A
  // parameter made without a definition (a device's, a request parameter,
  // "Result") has no map bindings.
  std::vector<long long> partners;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (!made[i].parsed) parameters[i].clear_maps();
    partners.clear();
    for (std::size_t k = group_of[i].first; k < group_of[i].second; ++k) {
      const std::size_t j = entries[k].position;
      if (ids[j] != ids[i]) partners.push_back(ids[j]);
    }
    if (parameters[i].holdsSameSetNameParameters(partners)) continue;
    parameters[i].clear_same_setname_parameters();
    for (const long long partner : partners) parameters[i].add_same_setname_parameter(partner);
  }

  // Every other parameter of the workspace has neither links nor bindings:
  // an earlier configuration's go, and a parameter this load makes later
  // (of a later category) starts without any, as in an empty workspace.
  const boost::shared_ptr<workspace::Workspace> workspace = workspace::Workspace::getInstance();
  std::vector<long long> all;
  workspace->getAllElementsOfType(workspace::element_type::kParameter, all,
                                  workspace::memory_area::kParameters);
  for (const long long id : all) {
    if (std::binary_search(sorted.begin(), sorted.end(), id)) continue;
    long long links = 0;
    long long bindings = 0;
    workspace->getItem(id + param::Same_SetName_List, links);
    workspace->getItem(id + param::Map_Binding_List, bindings);
    if (links == 0 && bindings == 0) continue;
    workspace::Parameter parameter(id);
    if (links != 0) parameter.clear_same_setname_parameters();
    if (bindings != 0) parameter.clear_maps();
  }
}

}  // namespace tavik
