#include "TavikEngine/Config/ConfigReader.h"

#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/ConfigurationFile.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/OptionKeys.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"
#include "workspace/ElementItems.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Workspace.h"

namespace tavik {

namespace global = workspace::global_config;

ConfigReader::ConfigReader()
    : ecu_switch_on_(0.0), ecu_switch_off_(0.0), watchdog_timeout_(0) {
  IniReader* ini = IniReader::get_instance(false);
  ecu_switch_on_ = ini->get_real_item("ECU_SWITCH_ON", 1.0);
  ecu_switch_off_ = ini->get_real_item("ECU_SWITCH_OFF", 0.0);
  watchdog_timeout_ = 0;
  workspace_ = workspace::Workspace::getInstance();
}

ConfigReader::~ConfigReader() = default;

bool ConfigReader::loadConfig(const std::wstring& path, bool reload) {
  DurationLogger timer(L"Load Config");
  bool result = true;

  // A file that cannot be read or parsed, or holds bytes that are no text of
  // its encoding, must not reset the running bench's devices: look at the
  // document before anything touches the workspace.
  pugi::xml_document document;
  const std::string failure = loadConfigurationFile(document, path);
  if (!failure.empty()) {
    LOG(UA_WARNING) << "Error while loading the config: " << failure;
    return false;
  }

  reset_existing_devices();

  try {
    pugi::xml_node md = document.child("MeasurementDefinition");
    const std::wstring version =
        wideText(md.child("Versions").child("ConfigurationFormatVersion").text().as_string("0.0"));
    const pugi::xml_node common = md.child("GlobalParameters").child("CommonParameter");
    // Read again, and a text that is no number reported, by loadCommonParameters.
    watchdog_timeout_ = common.child("Property").child("WatchdogTimeout").text().as_int(5);
    const pugi::xml_node devices = md.child("GlobalParameters").child("Devices");

    device_keys_ = IniReader::get_instance(true)->get_keys("devices");

    workspace::GlobalConfig config;
    config.set(global::ConfigurationFormatVersion, version);
    config.set(global::ConfigurationReady, 0);
    config.set(global::AbortRequest, 0);
    config.set(global::ConfigurationChanged, 0);

    for (pugi::xml_node device = devices.child("Device"); device;
         device = device.next_sibling("Device")) {
      result = loadInterfaces(device) && result;
    }

    config.set(global::StatusText, std::wstring(L"Step 1/4: Loading Property Maps"));
    // One index of the action options serves the map and the formula
    // loader, and one list of map elements both map phases; they live no
    // longer than the document.
    OptionKeyIndex option_keys(md, "Map:", "Formula:");
    const MapElements map_elements(md, option_keys);
    map_loader_.load(map_elements);
    formula_loader_.load(md, option_keys);

    config.set(global::StatusText, std::wstring(L"Step 2/4: Loading Parameters"));
    parameter_loader_.setFormuaLoader(&formula_loader_);
    parameter_loader_.load(&md);
    map_loader_.add_parameters(map_elements);

    config.set(global::StatusText, std::wstring(L"Step 3/4: Loading Testplans"));
    testplan_loader_.load(md, reload);

    config.set(global::StatusText, std::wstring(L"Step 4/4: Loading Sequences"));
    sequence_loader_.setFormuaLoader(&formula_loader_);
    sequence_loader_.setTestplanLoader(&testplan_loader_);
    sequence_loader_.setMapLoader(&map_loader_);
    sequence_loader_.load(md, reload);
    formula_loader_.create_file();
    if (formula_loader_.previousHookFileStays()) {
      // The bench would go on running the previous configuration's formulas
      // against this one.
      LOG(UA_WARNING) << "The property hook file of the previous configuration could not be "
                         "replaced or removed and stays in place: "
                      << formula_loader_.get_output_path();
      result = false;
    }

    config.set(global::StatusText, std::wstring(L"Updating Displays"));
    if (!loadCommonParameters(md)) result = false;
  } catch (const LoadAbortedException&) {
    // An abort request, or a sequence that failed and said why: no line.
    result = false;
  } catch (const ConfigException& e) {
    LOG(UA_WARNING) << "Error while loading the config: " << e.what();
    result = false;
  } catch (const WorkspaceException& e) {
    // A value the workspace refuses (a number that is not one, a text too
    // long for its item) must not fail the load without a word.
    LOG(UA_WARNING) << "Error while loading the config: " << e.twhat();
    result = false;
  } catch (const std::exception& e) {
    // Anything else (a broken INI file, an INI item that is no number, no
    // memory) is named too: a false result must say why.
    LOG(UA_WARNING) << "Error while loading the config: " << e.what();
    result = false;
  } catch (...) {
    LOG(UA_WARNING) << "Error while loading the config: unknown error";
    result = false;
  }
  return result;
}

bool ConfigReader::is_interface_defined(const std::string& name) const {
  for (const std::string& key : device_keys_)
    if (key == name) return true;
  return false;
}

}  // namespace tavik
