// Helper program of the workspace tests: a second process of the bench. It
// opens the workspace named by TAVIK_WORKSPACE, prints what it sees of the
// global configuration element (type code and name through the base address,
// two items through item reads), then writes an item and creates a parameter
// for the first process to read.
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"

int main() {
  namespace ws = tavik::workspace;
  try {
    const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
    const long long handle = workspace->getElement(L"GlobalConfig", 0x100000);
    const char* element = workspace->getBaseAddress() + handle;
    std::int32_t type = 0;
    std::memcpy(&type, element, sizeof type);
    std::string name;
    char16_t unit;
    for (const char* p = element + 20; std::memcpy(&unit, p, 2), unit != 0; p += 2)
      name.push_back(static_cast<char>(unit & 0xFF));
    int progress = 0;
    std::string status;
    workspace->getItem(handle + ws::global_config::ProgressCurrent, progress);
    workspace->getItem(handle + ws::global_config::StatusText, status);
    std::cout << "handle " << handle << "\ntype " << type << "\nname " << name << "\nprogress " << progress
              << "\nstatus " << status << "\n";
    workspace->setItem(handle + ws::global_config::ProgressTotal, 99);
    ws::Parameter(L"From Peer").set(ws::parameter::Value, 2.5);
    return 0;
  } catch (const std::exception& e) {
    std::cout << "error " << e.what() << "\n";
    return 1;
  }
}
