// libFuzzer target over loadConfig and checkReloadParameters. An input that
// starts with "<" is taken as a configuration file as it is (the seed corpus
// holds our own configurations); any other input is a stream of choices for
// the structure-aware generator (ConfigGenerator.h). A broken promise (an
// exception leaving an entry point, a false result without a line, a hook
// file that breaks the generated layout) aborts, as a sanitizer report does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ConfigGenerator.h"
#include "LoadHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tavik_fuzz::LoadHarness* harness = new tavik_fuzz::LoadHarness();  // one per process
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
