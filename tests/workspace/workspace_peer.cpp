// Helper program of the workspace tests: a second process of the bench.
// It opens the workspace named by TAVIK_WORKSPACE, reports what it sees of
// the global configuration element (through the base address and through
// item reads) on stdout, then writes an item of its own and creates a
// parameter for the first process to read.
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "workspace/ElementItems.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

int main() {
  namespace ws = tavik::workspace;
  try {
    boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
    const long long handle = workspace->findElement(L"GlobalConfig", 0x100000);
    if (handle <= 0) {
      std::cout << "no GlobalConfig\n";
      return 2;
    }
    const char* element = workspace->getBaseAddress() + handle;
    std::int32_t type = 0;
    std::memcpy(&type, element, sizeof type);
    std::string name;
    for (const char* p = element + 20;; p += 2) {
      char16_t unit;
      std::memcpy(&unit, p, sizeof unit);
      if (unit == 0) break;
      name.push_back(static_cast<char>(unit & 0xFF));
    }
    int progress = 0;
    std::string status;
    workspace->getItem(handle + ws::global_config::ProgressCurrent, progress);
    workspace->getItem(handle + ws::global_config::StatusText, status);
    std::cout << "handle " << handle << "\ntype " << type << "\nname " << name << "\nprogress "
              << progress << "\nstatus " << status << "\n";

    workspace->setItem(handle + ws::global_config::ProgressTotal, 99);
    ws::Parameter created(L"From Peer");
    created.set(ws::parameter::Value, 2.5);
    std::cout << "created " << created.getHandle() << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cout << "error " << e.what() << "\n";
    return 1;
  }
}
