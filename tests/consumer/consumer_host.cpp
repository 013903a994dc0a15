// A host built against the installed module: loads a small configuration
// into a fresh workspace (named by TAVIK_WORKSPACE) and checks what it holds.
// Exit status 0 when everything is as expected.
#include <iostream>
#include <string>

#include "TavikEngine/Config/ConfigReader.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: consumer_host CONFIG.xml\n";
    return 2;
  }
  namespace ws = tavik::workspace;
  int failures = 0;
  {
    tavik::ConfigReader reader;
    const std::string path = argv[1];
    if (!reader.loadConfig(std::wstring(path.begin(), path.end()), false)) {
      std::cerr << "loadConfig returned false\n";
      ++failures;
    }
    const std::wstring status = ws::GlobalConfig().get<std::wstring>(ws::global_config::StatusText);
    if (status != L"Updating Displays") {
      std::wcerr << L"status text: " << status << L"\n";
      ++failures;
    }
    const auto workspace = ws::Workspace::getInstance();
    if (!workspace->is_existing_element(L"Speed", ws::memory_area::kParameters)) {
      std::cerr << "parameter Speed was not loaded\n";
      ++failures;
    } else {
      const std::wstring unit = ws::Parameter(L"Speed").get<std::wstring>(ws::parameter::Unit);
      if (unit != L"rpm") {
        std::wcerr << L"unit of Speed: " << unit << L"\n";
        ++failures;
      }
    }
    ws::Workspace::removeSharedMemory(workspace->getSegmentName());
  }
  std::cout << (failures == 0 ? "consumer host: ok\n" : "consumer host: FAILED\n");
  return failures == 0 ? 0 : 1;
}
