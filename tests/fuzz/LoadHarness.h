// Test helper for the fuzz target and the hostile-configuration test: loads
// configuration texts one after the other into one workspace of the
// process's own (recreated when full, and every few hundred loads), with an
// INI file and hooks folder in a temporary directory and a listener on a
// GlobalConfig item that every load writes, so that each load also sends
// change records through a real queue (drained after each load).
//
// run() calls loadConfig and then checkReloadParameters and says what went
// wrong by the module's own promises: an exception leaving an entry point, a
// false result without a WARNING or UA_WARNING line, a hook file that breaks
// the generated layout, and after a true load a reference of a sequence to an
// action it does not list (SequenceReferences.h), an element whose count
// lies beyond its room (WorkspaceRooms.h) or a reload check that refuses the
// file just loaded.
//
// Named objects outside the process: the workspace segment
// "tavik_fuzz_<pid>", the listener's queue "tavik_<queue id>" with its mutex
// and condition, and the temporary directory "tavik_fuzz_<pid>_<random>". The
// destructor removes them; removeNamedObjects() does so for a harness that is
// never destroyed.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "CapturingSink.h"
#include "HookLayout.h"
#include "QueueTestSupport.h"
#include "ScopedIni.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "SequenceReferences.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "WorkspaceRooms.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Workspace.h"

namespace tavik_fuzz {

struct Outcome {
  bool loaded = false;
  std::string fault;  // empty when the module kept its promises
  std::string hook;   // the hook file the load wrote; empty when none
};

class LoadHarness {
 public:
  // queueId: the id of the listener's notification queue.
  explicit LoadHarness(int queueId = tavik_test::randomQueueId())
      : ini_("[devices]\nMotor=ECU\n", "tavik_fuzz_" + std::to_string(::getpid()) + "_"),
        workspace_name_("tavik_fuzz_" + std::to_string(::getpid())),
        queue_id_(queueId),
        queue_objects_(queue_id_) {
    ::setenv("TAVIK_WORKSPACE", workspace_name_.c_str(), 1);
    ::setenv("TAVIK_WORKSPACE_SIZE", std::to_string(48u << 20).c_str(), 1);
    freshWorkspace();
  }
  ~LoadHarness() {
    reader_.reset();
    tavik::workspace::Workspace::resetInstance();
    tavik::workspace::Workspace::removeSharedMemory(workspace_name_);
  }
  LoadHarness(const LoadHarness&) = delete;
  LoadHarness& operator=(const LoadHarness&) = delete;

  // Removes the workspace segment, the queue's named objects and the
  // temporary directory now. Touches nothing inside the process (no
  // singleton, no log), so an at-exit hook may call it after the process's
  // statics are gone; the harness must not run again afterwards.
  void removeNamedObjects() const {
    tavik::workspace::Workspace::removeSharedMemory(workspace_name_);
    queue_objects_.remove();
    std::error_code ignored;
    std::filesystem::remove_all(ini_.dir().path(), ignored);
  }

  Outcome run(const std::string& xml) {
    if (++loads_ % 300 == 0) freshWorkspace();
    Outcome outcome;
    const std::filesystem::path file = ini_.dir().write("config.xml", xml);
    std::error_code ignored;
    std::filesystem::remove(ini_.hookFile(), ignored);
    tavik_test::CapturingSink sink;
    bool full = false;
    try {
      outcome.loaded = reader_->loadConfig(file.wstring(), false);
      if (!outcome.loaded && !said(sink)) outcome.fault = "loadConfig was false without a line";
      if (outcome.loaded) outcome.fault = workspaceFault(xml);
      sink.clear();
      // The file just loaded may always be loaded again.
      const bool reloadable = reader_->checkReloadParameters(file.wstring());
      if (!reloadable && outcome.fault.empty()) {
        const std::vector<std::string> lines = sink.messages(UA_WARNING.value);
        if (outcome.loaded)
          outcome.fault = "checkReloadParameters refused the configuration just loaded: " +
                          (lines.empty() ? std::string("(no line)") : lines[0]);
        else if (!said(sink))
          outcome.fault = "checkReloadParameters was false without a line";
      }
    } catch (const std::exception& e) {
      outcome.fault = std::string("an exception left an entry point: ") + e.what();
    } catch (...) {
      outcome.fault = "an exception left an entry point";
    }
    for (const std::string& m : sink.messages()) full = full || m.find("is full") != std::string::npos;
    tavik_test::receiveAll(queue_id_);  // drained
    if (std::filesystem::exists(ini_.hookFile())) {
      std::ifstream in(ini_.hookFile(), std::ios::binary);
      outcome.hook.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      const std::string layout = hookLayoutFault(outcome.hook);
      if (!layout.empty() && outcome.fault.empty()) outcome.fault = "hook file layout: " + layout;
    }
    if (full) freshWorkspace();
    return outcome;
  }

 private:
  // The first broken promise of the workspace a true load left; empty when none.
  static std::string workspaceFault(const std::string& xml) {
    const std::vector<std::string> unlisted = unlistedReferences(xml);
    if (!unlisted.empty())
      return "a reference to an action its sequence does not list: " + unlisted[0];
    const std::vector<std::string> beyond = tavik_test::countsBeyondRoom();
    if (!beyond.empty()) return "a count beyond its room: " + beyond[0];
    return std::string();
  }
  static bool said(const tavik_test::CapturingSink& sink) {
    return !sink.messages(WARNING.value).empty() || !sink.messages(UA_WARNING.value).empty();
  }
  void freshWorkspace() {
    reader_.reset();
    tavik::workspace::Workspace::resetInstance();
    tavik::workspace::Workspace::removeSharedMemory(workspace_name_);
    const auto workspace = tavik::workspace::Workspace::getInstance();
    const long long listener = tavik::workspace::IPCListener(std::wstring(L"Fuzz listener")).getHandle();
    workspace->setItem(listener + 584, queue_id_);  // the listener's queue id
    workspace->setItem(listener + 608, 1);          // hears every write
    // The configuration's version text, written by every load.
    workspace->addListener(tavik::workspace::GlobalConfig().getHandle() + 11296, listener);
    reader_.reset(new tavik::ConfigReader());
  }

  tavik_test::ScopedIni ini_;
  std::string workspace_name_;
  int queue_id_;
  tavik_test::ScopedQueueObjects queue_objects_;
  std::unique_ptr<tavik::ConfigReader> reader_;
  unsigned loads_ = 0;
};

}  // namespace tavik_fuzz
