// Test helper: whether loading configuration B over a workspace that holds
// another load gives what a load of B into a fresh workspace that holds the
// same parameters gives.
//
// Every load sequence runs in a fresh workspace of its own (ScopedWorkspace,
// removed afterwards) with a ConfigReader of its own, as a bench host would
// use it. A fresh load of B names the elements B defines
// (tavik_test::dumpedElements). The reference of a sequence that loads B over
// the load of A (or of B) is a fresh workspace in which the parameters that
// load left are first made by name, in the same order, with their set channel
// and set device (what pairs parameters into same-set-name links), and B is
// then loaded. The sequence must give the reference's result, the same facts
// of the elements B defines (tavik_test::WorkspaceDump) and the same
// same-set-name links of every parameter.
//
//   tavik_test::ScopedIni ini("[devices]\nMotor=ECU\n");  // the caller's
//   tavik_fuzz::ReloadComparison comparison(ini.dir().path());
//   const auto verdict = comparison.compare(a, b);
//   EXPECT_EQ("", verdict.difference);
//
// The caller keeps an INI file in effect (its hook folder receives the hook
// files). Loads log nothing that this helper needs beyond WARNING and
// UA_WARNING: callers may turn the chattier levels off for speed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "WorkspaceDump.h"

namespace tavik_fuzz {

struct ReloadVerdict {
  // The first load of A filled the workspace: nothing was compared.
  bool skipped = false;
  // Empty when every load sequence gave its reference's result and facts;
  // otherwise, per sequence that did not, the results and the first lines
  // that differ.
  std::string difference;
  // What differed, over every sequence: "result", the facts
  // (WorkspaceDump::differingFacts) and "Parameter same-set-name".
  std::set<std::string> differing;
  // The fresh load of b: its result ("true", "false" or the exception) and
  // how many elements its dump covers (tavik_test::dumpedElements).
  std::string fresh_result;
  std::size_t elements = 0;
};

class ReloadComparison {
 public:
  // Writes the configuration files below `dir`; each workspace has
  // `workspaceBytes` of room.
  explicit ReloadComparison(std::filesystem::path dir, std::size_t workspaceBytes = 64u << 20);

  // Each against its reference: a then b with reload false, a then b with
  // reload true, and b then b.
  ReloadVerdict compare(const std::string& a, const std::string& b);
  // a then b with the given reload flag against its reference.
  ReloadVerdict compareOne(const std::string& a, const std::string& b, bool reload);

 private:
  struct Load {
    std::filesystem::path file;
    bool reload;
  };
  // A parameter as the reference workspace is given it.
  struct Parameter {
    std::wstring name;
    std::wstring set_channel;
    std::wstring set_device;
  };
  struct Run {
    std::vector<std::string> results;  // per load: "true", "false" or the exception
    bool first_filled = false;         // the first load found the workspace full
    bool stopped = false;              // an error ended the last load before its end
    std::vector<Parameter> after_first;  // the parameters after the first load, in order
    tavik_test::WorkspaceDump dump;
    std::vector<std::string> links;  // per parameter: its name and its partners' names
  };
  // Makes `parameters` in a fresh workspace, runs the loads and dumps
  // `elements`; with `name` set, `elements` is first made what the workspace
  // then holds.
  Run run(const std::vector<Parameter>& parameters, const std::vector<Load>& loads,
          std::vector<tavik_test::DumpedElement>& elements, bool name);
  // One load sequence to compare: `first` (A or B) loaded, then B with `reload`.
  struct Sequence {
    const char* label;
    bool first_is_a;
    bool reload;
  };
  ReloadVerdict compareWith(const std::string& a, const std::string& b,
                            const std::vector<Sequence>& sequences);

  std::filesystem::path dir_;
  std::size_t workspace_bytes_;
};

}  // namespace tavik_fuzz
