// libFuzzer target over loadConfig and checkReloadParameters. An input that
// starts with "<" is taken as a configuration file as it is (the seed corpus
// holds our own configurations); any other input is a stream of choices for
// the structure-aware generator (ConfigGenerator.h). A broken promise (an
// exception leaving an entry point, a false result without a line, a hook
// file that breaks the generated layout) aborts, as a sanitizer report does.
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
#include <string>

#include "ConfigGenerator.h"
#include "LoadHarness.h"

namespace {

tavik_fuzz::LoadHarness* harness = nullptr;  // one per process

void removeHarnessObjects() { harness->removeNamedObjects(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (harness == nullptr) {
    harness = new tavik_fuzz::LoadHarness(-static_cast<int>(::getpid()));
    std::atexit(removeHarnessObjects);
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
