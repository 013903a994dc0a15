// tavik-load: loads a measurement configuration into a workspace, the way the
// bench's host process does, and tells what happened.
//
//   tavik-load [--workspace NAME] [--ini FILE] [--remove-workspace] [--trace] [CONFIG.xml]
//
// Defaults: the workspace named by TAVIK_WORKSPACE (else "tavik_example"),
// the INI file named by TAVIK_INI (else the shipped example.ini) and the
// shipped example-config.xml. Log lines go to stderr; every item read and
// write (levels READ_WRITE and NOTIFICATIONS) only with --trace. Exit status: 0 when the
// load succeeded, 1 when it returned false, 2 on a usage or system error.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "g3log/g3log.hpp"
#include "inireader/IniReader.h"
#include "workspace/ActionGroup.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/Workspace.h"

#ifndef TAVIK_EXAMPLES_DIR
#define TAVIK_EXAMPLES_DIR "."
#endif

namespace {

void usage() {
  std::cerr << "usage: tavik-load [--workspace NAME] [--ini FILE] [--remove-workspace] "
               "[--trace] [CONFIG.xml]\n";
}

std::string narrowForDisplay(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += (c < 0x80) ? static_cast<char>(c) : '?';
  return out;
}

std::string envOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return (value && *value) ? value : fallback;
}

std::vector<std::wstring> elementNames(tavik::workspace::Workspace& workspace, int type,
                                       long long area) {
  std::vector<long long> handles;
  workspace.getAllElementsOfType(type, handles, area);
  std::vector<std::wstring> names;
  for (long long handle : handles) {
    tavik::workspace::SharedElement<void> element(handle);
    std::wstring name;
    element.getName(name);
    names.push_back(name);
  }
  return names;
}

// Where the example configuration and INI file are: the installed data folder
// beside an installed host, else the source tree's examples folder.
std::string examplesDir() {
#ifdef TAVIK_INSTALLED_EXAMPLES
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed = exe.parent_path() / TAVIK_INSTALLED_EXAMPLES;
    if (std::filesystem::is_regular_file(installed / "example-config.xml", error))
      return installed.lexically_normal().string();
  }
#endif
  return TAVIK_EXAMPLES_DIR;
}

void printElements(const char* what, const std::vector<std::wstring>& names) {
  std::cout << what << ": " << names.size() << "\n";
  for (const auto& name : names) std::cout << "  " << narrowForDisplay(name) << "\n";
}

// A cell as text: numbers as a default-formatted stream writes them.
std::string cellText(const tavik::workspace::TestplanColumn& column, int row) {
  namespace type = tavik::workspace::item_type;
  const unsigned int item = column.getPropertyForRow(row);
  switch (column.getCellType()) {
    case type::kInt: case type::kListenedInt:
      return std::to_string(column.get<int>(item));
    case type::kWideText: case type::kWideText504: case type::kListenedWideText256:
    case type::kListenedWideText504: case type::kListenedWideText1028:
    case type::kListenedWideText4100:
      return narrowForDisplay(column.get<std::wstring>(item));
    case type::kNarrowText: case type::kListenedNarrowText256:
      return column.get<std::string>(item);
    default: {
      std::ostringstream out;
      out << column.get<double>(item);
      return out.str();
    }
  }
}

// Every test plan with its columns, one line per column with its cells.
void printTestplans(tavik::workspace::Workspace& workspace) {
  namespace ws = tavik::workspace;
  std::vector<long long> handles;
  workspace.getAllElementsOfType(ws::element_type::kTestplan, handles, ws::memory_area::kTestplans);
  std::cout << "test plans: " << handles.size() << "\n";
  for (long long handle : handles) {
    const ws::Testplan plan(handle);
    std::cout << "  " << plan.getName() << ": " << plan.getColumnCount() << " columns, "
              << plan.getRowCount() << " rows\n";
    for (int i = 0; i < plan.getColumnCount(); ++i) {
      const ws::TestplanColumn column = plan.getColumn(i);
      std::wstring name;
      column.getName(name);
      std::cout << "    " << narrowForDisplay(name) << ":";
      for (unsigned long long row = 0; row < column.getRowCount(); ++row)
        std::cout << " " << cellText(column, static_cast<int>(row));
      std::cout << "\n";
    }
  }
}

// The name of the element at a handle; "-" for none.
std::string nameAt(long long handle) {
  if (handle < 1) return "-";
  std::wstring name;
  tavik::workspace::SharedElement<void>(handle).getName(name);
  return narrowForDisplay(name);
}

// One line per action: its exit ports with their successors.
void printAction(long long handle) {
  const tavik::workspace::SharedAction action(handle);
  std::cout << "    " << nameAt(handle) << ":";
  if (action.getExitCount() == 0) std::cout << " no exit ports";
  for (int port = 0; port < action.getExitCount(); ++port) {
    const tavik::workspace::SharedAction::ExitPort exit = action.getExitPort(port);
    std::cout << (port ? ", " : " ") << narrowForDisplay(exit.name) << " -> "
              << nameAt(exit.successor);
  }
  std::cout << "\n";
}

// Every sequence with its start action, actions, frames and comments.
void printSequences(tavik::workspace::Workspace& workspace) {
  namespace ws = tavik::workspace;
  std::vector<long long> handles;
  workspace.getAllElementsOfType(ws::element_type::kSequence, handles, ws::memory_area::kActions);
  std::cout << "sequences: " << handles.size() << "\n";
  for (long long handle : handles) {
    const ws::Sequence sequence(handle);
    std::cout << "  " << nameAt(handle) << ": start " << nameAt(sequence.getStartAction()) << ", "
              << sequence.getActionCount() << " actions, " << sequence.getFrameCount()
              << " frames, " << sequence.getCommentCount() << " comments\n";
    for (int k = 0; k < sequence.getActionCount(); ++k) printAction(sequence.getAction(k));
  }
}

// Every action group with its owner, start action, actions and exit ports.
void printActionGroups(tavik::workspace::Workspace& workspace) {
  namespace ws = tavik::workspace;
  std::vector<long long> handles;
  workspace.getAllElementsOfType(ws::element_type::kActionGroup, handles,
                                 ws::memory_area::kActions);
  std::cout << "action groups: " << handles.size() << "\n";
  for (long long handle : handles) {
    const ws::ActionGroup group(handle);
    std::cout << "  " << nameAt(handle) << " in "
              << narrowForDisplay(group.get<std::wstring>(ws::action_group::OwnerName))
              << ": start " << nameAt(group.getStartAction()) << ", actions";
    for (int k = 0; k < group.getActionCount(); ++k) std::cout << " " << nameAt(group.getAction(k));
    std::cout << ", " << group.getFrameCount() << " frames, " << group.getCommentCount()
              << " comments\n";
    for (int k = 0; k < group.getNextActionCount(); ++k) {
      const ws::ActionGroup::NextAction exit = group.getNextAction(k);
      std::cout << "    exit " << narrowForDisplay(exit.innerName) << "."
                << narrowForDisplay(exit.portName) << " -> " << nameAt(exit.target) << "\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string workspace_name = envOr("TAVIK_WORKSPACE", "tavik_example");
  const std::string examples = examplesDir();
  std::string ini = envOr("TAVIK_INI", examples + "/example.ini");
  std::string config = examples + "/example-config.xml";
  bool remove_workspace = false;
  bool trace = false;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--workspace" && i + 1 < argc) {
      workspace_name = argv[++i];
    } else if (arg == "--ini" && i + 1 < argc) {
      ini = argv[++i];
    } else if (arg == "--remove-workspace") {
      remove_workspace = true;
    } else if (arg == "--trace") {
      trace = true;
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      usage();
      return 2;
    } else {
      config = arg;
    }
  }

  setenv("TAVIK_WORKSPACE", workspace_name.c_str(), 1);
  setenv("TAVIK_INI", ini.c_str(), 1);

  if (!trace) {
    g3::log_levels::disable(READ_WRITE);
    g3::log_levels::disable(NOTIFICATIONS);
  }
  g3::addSink([](const g3::LogRecord& record) {
    std::cerr << record.level_text << " [" << record.function << "] " << record.message << "\n";
  });

  int status = 2;
  try {
    tavik::ConfigReader reader;
    const bool loaded = reader.loadConfig(pugi::as_wide(config), false);
    status = loaded ? 0 : 1;
    g3::removeAllSinks();  // the summary below reads items; keep its output clean

    tavik::workspace::GlobalConfig global;
    auto workspace = tavik::workspace::Workspace::getInstance();
    std::cout << "configuration: " << config << "\n"
              << "workspace: " << workspace_name << "\n"
              << "result: " << (loaded ? "loaded" : "failed") << "\n"
              << "status: " << narrowForDisplay(global.get<std::wstring>(tavik::workspace::global_config::StatusText)) << "\n"
              << "format version: "
              << narrowForDisplay(global.get<std::wstring>(
                     tavik::workspace::global_config::ConfigurationFormatVersion)) << "\n";
    namespace type = tavik::workspace::element_type;
    namespace area = tavik::workspace::memory_area;
    printElements("devices", elementNames(*workspace, type::kDevice, area::kDevices));
    printElements("parameters", elementNames(*workspace, type::kParameter, area::kParameters));
    printElements("property maps", elementNames(*workspace, type::kPropertyMap, area::kMaps));
    printTestplans(*workspace);
    printSequences(*workspace);
    printActionGroups(*workspace);
    std::cout << "hook file: " << IniReader::get_instance(false)->get_system_path()
              << "/ZUMD/SystemPythonActions/ScriptActions/hooks/PropertyHook.py\n";
  } catch (const std::exception& e) {
    std::cerr << "tavik-load: " << e.what() << "\n";
    status = 2;
  }

  g3::removeAllSinks();
  if (remove_workspace) {
    tavik::workspace::Workspace::resetInstance();
    tavik::workspace::Workspace::removeSharedMemory(workspace_name);
  }
  return status;
}
