// ParameterLoader::manage_set_names: links the parameters of this load that
// write the same set channel of the same device.
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
#include <utility>
#include <vector>

#include "TavikEngine/Config/parameterloader.h"
#include "workspace/Parameter.h"

namespace tavik {

void ParameterLoader::manage_set_names() const {
  namespace param = workspace::parameter;
  const std::vector<long long>& ids = loaded_parameters_;

  // One entry per parameter that has both texts; an entry is its set
  // channel, set device (8-bit) and workspace position.
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

  for (std::size_t i = 0; i < ids.size(); ++i) {
    for (std::size_t k = group_of[i].first; k < group_of[i].second; ++k) {
      const std::size_t j = entries[k].position;
      if (ids[j] != ids[i]) parameters[i].add_same_setname_parameter(ids[j]);
    }
  }
}

}  // namespace tavik
