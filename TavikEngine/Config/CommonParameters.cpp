// ConfigReader::loadCommonParameters: the bench-wide settings below
// GlobalParameters/CommonParameter, written into GlobalConfig.
#include <climits>
#include <string>
#include <utility>

#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace {

namespace global = workspace::global_config;

// The configured value times 1000 (the items hold the bench's finer unit).
// False when the product does not fit an int: `scaled` is then held at the
// nearest int instead of overflowing.
bool scaledTime(int value, int& scaled) {
  const long long product = static_cast<long long>(value) * 1000;
  if (product >= INT_MIN && product <= INT_MAX) {
    scaled = static_cast<int>(product);
    return true;
  }
  scaled = product < 0 ? INT_MIN : INT_MAX;
  return false;
}

}  // namespace

bool ConfigReader::loadCommonParameters(const pugi::xml_node& md) {
  workspace::GlobalConfig global;
  IniReader* ini = IniReader::get_instance(false);
  const int ini_wait_time = ini->get_int_item("ParallelActionWaitTime", 60000);
  const int ini_stability_time = ini->get_int_item("ParallelActionStabilityTime", 4000);

  const pugi::xml_node common = md.child("GlobalParameters").child("CommonParameter");
  const pugi::xml_node property = common.child("Property");
  const pugi::xml_node check_box = common.child("CheckBox");

  const int wait_time = intText(property.child("PControlWaitTime"), ini_wait_time);
  const int stability_time =
      intText(property.child("PControlWaitStabilityTime"), ini_stability_time);
  const struct {
    const char* element;
    int value;
    global::Item item;
  } times[] = {{"PControlWaitTime", wait_time, global::ParallelActionWaitTime},
               {"PControlWaitStabilityTime", stability_time, global::ParallelActionStabilityTime}};
  for (const auto& time : times) {
    int scaled = 0;
    if (!scaledTime(time.value, scaled)) {
      LOG(WARNING) << time.element << " " << time.value << " is out of range; " << scaled
                   << " is used";
    }
    global.set(time.item, scaled);
  }

  watchdog_timeout_ = intText(property.child("WatchdogTimeout"), 5);

  if (check_box.child("EnableRunSeqAtDeviceError").text().as_bool(false)) {
    // Other run-sequence types leave the mode as it was.
    const int type = intText(check_box.child("RunSeqType"), 0);
    if (type == 0)
      global.set(global::RunSequenceAtDeviceError, 2);
    else if (type == 1)
      global.set(global::RunSequenceAtDeviceError, 1);
  } else {
    global.set(global::RunSequenceAtDeviceError, 0);
  }

  const bool reset_parameters = check_box.child("EnableResetAllParameters").text().as_bool(false);
  const bool reset_maps = check_box.child("EnableResetAllMaps").text().as_bool(false);
  global.set(global::ResetAllParameters, reset_parameters ? 1 : 0);
  global.set(global::ResetAllMaps, reset_maps ? 1 : 0);

  if (!parameter_loader_.hasOperatingPointParameters()) return true;

  const std::wstring wot_source = wideText(property.child("WOTSource").text().as_string("100"));
  const std::wstring throttle = childText(property, "ThrottleParameter");
  global.set(global::WOTSource, wot_source);

  // Any parameter of the workspace will do, also one that this file does
  // not define.
  const long long area = workspace::memory_area::kParameters;
  if (!workspace_->is_existing_element(throttle, area)) {
    WLOG(UA_WARNING) << L"Parameter \"" << throttle
                     << L"\" assigned as Throttle Parameter doesn't exist in this Configuration";
    return false;
  }
  global.set(global::ThrottleParameter, workspace::Parameter(throttle).getHandle());

  int k = 0;
  for (const pugi::xml_node& request : common.child("ModeRequestCh").children("ModeRequest")) {
    const int name = intText(request.child("Name"), 0);
    const std::wstring dyno = childText(request, "Dyno");
    const std::wstring engine = childText(request, "Engine");
    for (const auto& role : {std::make_pair(L"Dyno", &dyno), std::make_pair(L"Engine", &engine)}) {
      if (!workspace_->is_existing_element(*role.second, area)) {
        WLOGF(UA_WARNING,
              L"Parameter \" %ls \" assigned as Control-Mode %ls Parameter doesn't exist in this "
              L"Configuration",
              role.second->c_str(), role.first);
        return false;
      }
    }
    const workspace::Parameter dyno_parameter(dyno);
    const workspace::Parameter engine_parameter(engine);
    if (k < global::kControlModeSlots) {
      global.set(global::controlModeDyno(k), dyno_parameter.getHandle());
      global.set(global::controlModeEngine(k), engine_parameter.getHandle());
      global.set(global::controlModeName(k), name);
    } else {
      // The table has no room for it: say so rather than lose it silently.
      WLOG(WARNING) << L"Control-mode request " << (k + 1) << L" (Name " << name << L", Dyno \""
                    << dyno << L"\", Engine \"" << engine << L"\") is dropped: the table holds "
                    << global::kControlModeSlots << L" requests";
    }
    ++k;
  }
  global.set(global::ControlModeCount, k < global::kControlModeSlots ? k : global::kControlModeSlots);
  return true;
}

}  // namespace tavik
