// libFuzzer target over loadConfig and checkReloadParameters, in two modes
// that the first byte of the input chooses:
//  - "<": the input is a configuration file as it is (the seed corpus holds
//    our own configurations); any other even first byte: the input is a
//    stream of choices for the structure-aware generator (ConfigGenerator.h).
//    A broken promise (an exception leaving an entry point, a false result
//    without a line, a hook file that breaks the generated layout) aborts,
//    as a sanitizer report does.
//  - an odd first byte: the rest is a stream of choices for two generated
//    configurations A and B (B another generated one, or A edited by
//    ConfigMutator.h); A then B in one workspace must give what a load of B
//    gives into a fresh workspace that holds the parameters A left
//    (ReloadComparison.h), else the target aborts with both configurations
//    and the first differences. Skipped when the load of A fills the
//    workspace.
//
// Shared memory: libFuzzer ends a run with exit(), past the destructor of a
// harness that lives for the whole process, so an at-exit hook removes the
// harness's named objects. A run that finds something ends with _Exit(),
// past that hook too: scripts/fuzz then removes them by the process id, which
// names the workspace ("tavik_fuzz_<pid>") and, negated, the queue
// ("tavik_-<pid>"; test runs use positive ids and negative ones far below).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <pugixml.hpp>
#include <string>

#include "ConfigGenerator.h"
#include "ConfigMutator.h"
#include "LoadHarness.h"
#include "ReloadComparison.h"

namespace {

void compareReload(const std::uint8_t* data, std::size_t size,
                   const tavik_test::ScopedTempDir& dir) {
  static tavik_fuzz::ReloadComparison* comparison =
      new tavik_fuzz::ReloadComparison(dir.path() / "pairs", 32u << 20);  // one per process
  tavik_fuzz::Choices choices(data, size);
  const std::string a = tavik_fuzz::ConfigGenerator(choices).document();
  std::string b, how;
  if (choices.chance(30)) {
    b = tavik_fuzz::ConfigGenerator(choices).document();
    how = "another generated configuration";
  } else {
    pugi::xml_document document;
    document.load_string(a.c_str());
    tavik_fuzz::ConfigMutator mutator(choices);
    for (unsigned k = 0, n = 1 + choices.below(3); k < n; ++k)
      how += (k ? "; " : "") + mutator.mutate(document);
    b = tavik_fuzz::configurationText(document);
  }
  const tavik_fuzz::ReloadVerdict verdict = comparison->compareOne(a, b, choices.chance(50));
  if (verdict.skipped || verdict.difference.empty()) return;
  std::fprintf(stderr, "a reload differs from its reference load\nA:\n%s\nB (%s):\n%s\n%s\n",
               a.c_str(), how.c_str(), b.c_str(), verdict.difference.c_str());
  std::abort();
}

}  // namespace

namespace {

tavik_fuzz::LoadHarness* harness = nullptr;  // one per process

void removeHarnessObjects() { harness->removeNamedObjects(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (harness == nullptr) {
    harness = new tavik_fuzz::LoadHarness(-static_cast<int>(::getpid()));
    std::atexit(removeHarnessObjects);
  }
  static const tavik_test::ScopedTempDir dir;  // removed at exit
  if (size > 0 && (data[0] & 1) != 0) {        // '<' is even
    compareReload(data + 1, size - 1, dir);
    return 0;
  }
  std::string xml;
  if (size > 0 && data[0] == '<') {
    xml.assign(reinterpret_cast<const char*>(data), size);
  } else {
    tavik_fuzz::Choices choices(data, size);
    xml = tavik_fuzz::ConfigGenerator(choices).document();
  }
  const tavik_fuzz::Outcome outcome = harness->run(xml);
  if (!outcome.fault.empty()) {
    std::fprintf(stderr, "broken promise: %s\nconfiguration:\n%s\n", outcome.fault.c_str(),
                 xml.c_str());
    std::abort();
  }
  return 0;
}
