// The module's entry point: loads a measurement configuration into the
// workspace.
//
// The host constructs one reader and calls loadConfig() as often as it likes.
// Not thread-safe: all calls run on the host's thread, one at a time.
#pragma once

#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <pugixml.hpp>

#include "TavikEngine/Config/Export.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/maploader.h"
#include "TavikEngine/Config/parameterloader.h"
#include "TavikEngine/Config/testplanloader.h"
#include "TavikEngine/Config/sequenceloader.h"

namespace tavik {
namespace workspace {
class Workspace;
}
class ChannelWrites;

class TAVIK_EXPORT ConfigReader {
 public:
  // Reads "ECU_SWITCH_ON"/"ECU_SWITCH_OFF" from the INI reader and opens the
  // process's workspace.
  ConfigReader();
  ~ConfigReader();
  ConfigReader(const ConfigReader&) = delete;
  ConfigReader& operator=(const ConfigReader&) = delete;

  // Loads one configuration file. True when the file was read, every device
  // is defined in the INI section "devices" and no configuration error
  // occurred. A file that cannot be read or parsed, or that holds bytes
  // that are no text of its encoding (see ConfigurationFile.h), leaves the
  // workspace untouched and gives false with one UA_WARNING line.
  bool loadConfig(const std::wstring& path, bool reload);

  // Whether the configuration file may be loaded over the running workspace:
  // false (one UA_WARNING line) when a load of the file would change a
  // configured parameter's channel names or channel types, that is when the
  // workspace parameter of the same name holds another value than the last
  // one a load writes into them (the device phase, the parameter definitions,
  // the action options; see ParameterLoader::check_reload), and false with
  // "Error while checking if reload is possible: " and the reason when the
  // file cannot be read, parsed or decoded or the comparison fails. True for
  // the file just loaded. Writes nothing to the workspace.
  bool checkReloadParameters(const std::wstring& path);

  // Reads the bench-wide settings below GlobalParameters/CommonParameter into
  // GlobalConfig: wait times, run-sequence-at-device-error mode, reset
  // switches and, when the last load created operating-point parameters, the
  // wide-open-throttle source, the throttle parameter and the control-mode
  // table (at most 20 requests; further ones are logged and dropped). False
  // (one UA_WARNING line) when the throttle parameter or a control-mode
  // parameter does not exist in the workspace.
  bool loadCommonParameters(const pugi::xml_node& md);

  // Loads one configured Device element: the device with its ECUs and its
  // interface parameters. False (one WARNING, nothing written) when the INI
  // section "devices" does not define the device.
  bool loadInterfaces(const pugi::xml_node& device);

  // Clears the interface links of every device already in the workspace.
  void reset_existing_devices();

  // True when the name is one of the keys of the INI section "devices" read
  // by the last loadConfig (exact, case-sensitive).
  bool is_interface_defined(const std::string& name) const;

 private:
  // What the device phase and the action options of a load of `md` write
  // into the channel items the reload check compares (ChannelWrites.h), in
  // load order. recordDeviceWrites reads the INI section "devices" as
  // loadConfig does. Neither writes to the workspace or logs.
  void recordDeviceWrites(const pugi::xml_node& md, ChannelWrites& writes);
  void recordOptionWrites(const pugi::xml_node& md, ChannelWrites& writes);

  double ecu_switch_on_;
  double ecu_switch_off_;
  int watchdog_timeout_;
  boost::shared_ptr<workspace::Workspace> workspace_;
  ParameterLoader parameter_loader_;
  MapLoader map_loader_;
  TestplanLoader testplan_loader_;
  SequenceLoader sequence_loader_;
  FormuaLoader formula_loader_;
  std::vector<std::string> device_keys_;
};

}  // namespace tavik
