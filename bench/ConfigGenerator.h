// Generates measurement configurations of a chosen size for benchmarks.
#pragma once

#include <string>

namespace tavik_bench {

// A configuration with `parameters` set parameters (pairs of them share a set
// channel, so every parameter gets one same-set-name link), one property map
// per 8 parameters (with an X input parameter), one calculation formula per 16
// parameters (used by a parameter property), one device, and a Main sequence
// of one action per 4 parameters (options of three kinds, a "Formula:" value
// on every 4th, exit ports with link points) with one action group instance
// per 16 actions.
std::string generateConfiguration(int parameters);

// A configuration whose one test plan "Main" drives the Value of `parameters`
// parameters (which it also defines) through `rows` rows, plus a "Result"
// parameter.
std::string generateTestplanConfiguration(int parameters, int rows);

// A configuration whose Main sequence starts with one action group instance:
// its one action has `options` Value options, whose values its group data
// holds in the reverse order.
std::string generateGroupOptionsConfiguration(int options);

// A configuration of `parameters` plain parameters and a Main sequence of
// `actions` actions, each with a ChSelect option naming two of the parameters
// and a second option: a DeviceStatusChannel on another parameter when
// `statusChannels`, else a NumericValue.
std::string generateStatusChannelConfiguration(int parameters, int actions, bool statusChannels);

}  // namespace tavik_bench
