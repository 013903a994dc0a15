// Whether a configuration may be loaded over the running workspace: a reload
// is refused when it would change a parameter's channel names or channel
// types, since the bench is then still connected to the old channels.
//
// What a reload would leave in a compared item is the last value that a load
// of the file writes into it, in load order (ChannelWrites.h): the device
// interfaces, the parameter definitions (as load() stores them, after
// channel mapping) with the request parameters they make, and the action
// options. The file just loaded therefore always compares equal, and an item
// that no step of the load writes is not compared at all.
#include <climits>
#include <exception>
#include <string>
#include <unordered_set>

#include "TavikEngine/Config/ChannelWrites.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/ConfigurationFile.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/ReloadException.h"
#include "TavikEngine/Config/WideText.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/actionloader.h"
#include "TavikEngine/Config/parameterloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace {

namespace param = workspace::parameter;

// The compared items by their property names.
struct ComparedItem {
  const wchar_t* property;
  ChannelWrites::Item item;
  bool number;
};
constexpr ComparedItem kComparedItems[] = {
    {L"Set_ChannelName", ChannelWrites::kSetChannel, false},
    {L"Get_ChannelName", ChannelWrites::kGetChannel, false},
    {L"Set_Type", ChannelWrites::kSetType, true},
    {L"Get_Type", ChannelWrites::kGetType, true},
};

const ComparedItem* comparedItem(const std::wstring& property) {
  for (const ComparedItem& compared : kComparedItems)
    if (property == compared.property) return &compared;
  return nullptr;
}

// The int that storing the text gives an int item: the text's number when it
// is one, else its number prefix (storeText).
int storedInt(const std::wstring& text) {
  return static_cast<int>(integerPrefix(text, INT_MIN, INT_MAX));
}

// A wide text as a narrow text item holds it and a wide item then reads it:
// the low 8 bits of each character.
std::wstring throughNarrowItem(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

// The formulas a load of the file defines: the names of its calculation
// formulas, accepted or refused (a "Formula:" value naming one of them is
// written into Get_ChannelName), and whether a name may be the key of an
// action option's formula (which the file's formula loader decides).
class FormulaNames {
 public:
  explicit FormulaNames(const pugi::xml_node& measurementDefinition) {
    for (const pugi::xml_node& formula :
         measurementDefinition.child("CalculationFormulas").children("CalculationFormula"))
      names_.insert(childText(formula, "Name"));
  }
  bool defines(const std::wstring& name) const { return names_.count(name) != 0; }
  static bool mayBeOptionKey(const std::wstring& name) {
    static const std::wstring kHead = L"_prop_", kTail = L"_action_property";
    return startsWith(name, kHead) && name.size() >= kTail.size() &&
           name.compare(name.size() - kTail.size(), kTail.size(), kTail) == 0;
  }

 private:
  std::unordered_set<std::wstring> names_;
};

// The items of the workspace parameter of that name, as texts (the types as
// their decimal text). A parameter that the workspace does not hold yet
// reads as a fresh one (empty names, types 0); it is not created, so the
// check leaves the workspace as it found it.
void workspaceItems(const std::wstring& name, std::wstring (&items)[ChannelWrites::kItemCount]) {
  const long long handle =
      workspace::Workspace::getInstance()->findElement(name, workspace::memory_area::kParameters);
  if (handle <= 0) {
    items[ChannelWrites::kSetChannel].clear();
    items[ChannelWrites::kGetChannel].clear();
    items[ChannelWrites::kSetType] = items[ChannelWrites::kGetType] = L"0";
    return;
  }
  const workspace::Parameter parameter(handle);
  items[ChannelWrites::kSetChannel] = parameter.get<std::wstring>(param::Set_ChannelName);
  items[ChannelWrites::kGetChannel] = parameter.get<std::wstring>(param::Get_ChannelName);
  items[ChannelWrites::kSetType] = std::to_wstring(parameter.get<int>(param::Set_Type));
  items[ChannelWrites::kGetType] = std::to_wstring(parameter.get<int>(param::Get_Type));
}

// The request channel a parameter holds now (empty when it does not exist).
std::wstring workspaceRequestChannel(const std::wstring& name) {
  const long long handle =
      workspace::Workspace::getInstance()->findElement(name, workspace::memory_area::kParameters);
  if (handle <= 0) return std::wstring();
  // The load reads the narrow item and writes it into a wide one, which
  // widens it byte by byte.
  const std::string bytes =
      workspace::Parameter(handle).get<std::string>(param::Request_ChannelName);
  return std::wstring(bytes.begin(), bytes.end());
}

}  // namespace

bool ParameterLoader::check_reload(pugi::xml_node* measurementDefinition) {
  return check_reload(measurementDefinition, PhaseWrites(), PhaseWrites());
}

bool ParameterLoader::check_reload(pugi::xml_node* measurementDefinition,
                                   const PhaseWrites& before, const PhaseWrites& after) {
  bool result = true;
  try {
    parameters_ = measurementDefinition->child("Parameters");
    // The mapping a load would now apply: the file's, or the one the loader
    // keeps when the file is missing or malformed. The loader's own stays
    // as it is until a load reads the file.
    boost::property_tree::wptree file_mapping;
    const boost::property_tree::wptree* mapping =
        readChannelMappingFile(file_mapping) ? &file_mapping
        : channel_mapping_active_           ? &channel_mapping_
                                            : nullptr;
    ChannelWrites writes;
    if (before) before(writes);
    recordDefinitionWrites(writes, mapping, *measurementDefinition);
    if (after) after(writes);
    for (const std::wstring* category :
         {&OPERATING_POINT_PARAMETER_PATH, &SET_PARAMETER_PATH, &MEASUREMENT_PARAMETER_PATH,
          &INTERNAL_PARAMETER_PATH, &INVISIBLE_PARAMETER_PATH}) {
      checkReloadParameterTree(*category, writes);
    }
  } catch (const ReloadException&) {
    result = false;
  } catch (const std::exception& e) {
    throw ConfigException(e.what());
  } catch (...) {
    throw ConfigException("unknown error while comparing the parameters");
  }
  return result;
}

void ParameterLoader::recordDefinitionWrites(ChannelWrites& writes,
                                             const boost::property_tree::wptree* mapping,
                                             const pugi::xml_node& measurementDefinition) {
  const FormulaNames formulas(measurementDefinition);
  // The request channel each parameter holds after its definitions so far
  // (absent: as the workspace holds it, the definitions did not write it).
  std::unordered_map<std::wstring, std::wstring> request_channels;
  std::wstring name;
  for (const std::wstring* category : CATEGORY_LOAD_ORDER) {
    for (const pugi::xml_node& element : getParameterIterator(*category)) {
      assignWideText(name, element.child_value("Name"));
      writes.make(name);
      forEachDefinedProperty(
          element,
          [mapping](std::wstring& value) {
            if (mapping == nullptr) return;
            if (const std::wstring* alias = aliasIn(*mapping, value)) value = *alias;
          },
          [&](const std::wstring& property, const std::wstring& value) {
            const ValueForm form = formOf(value);
            if (form == ValueForm::Plain && property == L"Request_ChannelName") {
              request_channels[name] = throughNarrowItem(value);
              return;
            }
            const ComparedItem* compared = comparedItem(property);
            if (compared == nullptr) return;
            if (form == ValueForm::Plain) {
              if (compared->number)
                writes.write(name, compared->item, storedInt(value));
              else
                writes.write(name, compared->item, value);
            } else if (form == ValueForm::Formula && compared->item == ChannelWrites::kGetChannel) {
              // A formula on the read-back channel names it by its text.
              const std::wstring formula = value.substr(kFormulaPrefix.size());
              if (formulas.defines(formula))
                writes.write(name, compared->item, value);
              else if (FormulaNames::mayBeOptionKey(formula))
                writes.mayWrite(name, compared->item, value);
            }
          });
      // parse_loaded_parameter: a request channel makes the request parameter.
      const auto known = request_channels.find(name);
      const std::wstring request =
          known != request_channels.end() ? known->second : workspaceRequestChannel(name);
      if (!request.empty()) {
        const std::wstring request_name = name + L"_Request_Parameter";
        writes.write(request_name, ChannelWrites::kSetChannel, request);
        writes.write(request_name, ChannelWrites::kSetType, 0);
      }
    }
  }
}

void ParameterLoader::checkReloadParameterTree(const std::wstring& category) {
  ChannelWrites writes;
  pugi::xml_node measurementDefinition = parameters_.parent();
  recordDefinitionWrites(writes, channel_mapping_active_ ? &channel_mapping_ : nullptr,
                         measurementDefinition);
  checkReloadParameterTree(category, writes);
}

void ParameterLoader::checkReloadParameterTree(const std::wstring& category,
                                               const ChannelWrites& writes) {
  static const wchar_t* const kHeads[ChannelWrites::kItemCount] = {
      L"Set Channelname has changed for ", L"Get Channelname has changed for ",
      L"Set Type has changed for ", L"Get Type has changed for "};
  std::wstring name;
  std::wstring current[ChannelWrites::kItemCount];
  for (const pugi::xml_node& element : getParameterIterator(category)) {
    assignWideText(name, element.child_value("Name"));
    bool read = false;
    for (const ComparedItem& compared : kComparedItems) {
      const std::vector<std::wstring>* expected = writes.find(name, compared.item);
      if (expected == nullptr) continue;
      if (!read) workspaceItems(name, current);
      read = true;
      bool matches = false;
      for (const std::wstring& value : *expected) matches = matches || value == current[compared.item];
      if (matches) continue;
      WLOG(UA_WARNING) << kHeads[compared.item] << name
                       << L" Please disconnect before loading the configuration";
      throw ReloadException();
    }
  }
}

bool ConfigReader::checkReloadParameters(const std::wstring& path) {
  pugi::xml_document document;
  const std::string failure = loadConfigurationFile(document, path);
  if (!failure.empty()) {
    LOG(UA_WARNING) << "Error while checking if reload is possible: " << failure;
    return false;
  }
  pugi::xml_node md = document.child("MeasurementDefinition");
  try {
    return parameter_loader_.check_reload(
        &md, [&](ChannelWrites& writes) { recordDeviceWrites(md, writes); },
        [&](ChannelWrites& writes) { recordOptionWrites(md, writes); });
  } catch (const ConfigException& e) {
    LOG(UA_WARNING) << "Error while checking if reload is possible: " << e.what();
    return false;
  }
}

void ConfigReader::recordOptionWrites(const pugi::xml_node& md, ChannelWrites& writes) {
  sequence_loader_.forEachBuiltOption(
      md, [&writes](const pugi::xml_node& option, const pugi::xml_node* valueOption,
                    bool certain) {
        ActionLoader::StatusChannelOption channel;
        if (!ActionLoader::statusChannelOf(option, valueOption, channel)) return;
        // A text the workspace refuses ends the option's writes there.
        if (!ChannelWrites::fits(param::Get_DeviceName, channel.device)) return;
        const std::wstring type = std::to_wstring(ActionLoader::kStatusParameterGetType);
        const bool channel_written =
            !channel.value.empty() && ChannelWrites::fits(param::Get_ChannelName, channel.value);
        if (!certain) {
          writes.mayWrite(channel.status, ChannelWrites::kGetType, type);
          if (channel_written)
            writes.mayWrite(channel.status, ChannelWrites::kGetChannel, channel.value);
          return;
        }
        writes.make(channel.status);
        writes.write(channel.status, ChannelWrites::kGetType, type);
        if (channel_written) writes.write(channel.status, ChannelWrites::kGetChannel, channel.value);
      });
}

}  // namespace tavik
