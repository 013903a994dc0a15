// Whether a configuration may be loaded over the running workspace: a reload
// is refused when it would change a parameter's channel names or channel
// types, since the bench is then still connected to the old channels. The
// names are compared as the load would store them, after channel mapping:
// compared as written, a mapped channel would count as changed on every
// check of the file just loaded.
#include <climits>
#include <exception>
#include <string>

#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/ConfigurationFile.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/ReloadException.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/parameterloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace {

namespace param = workspace::parameter;

// What the comparison reads of one parameter.
struct Channels {
  std::wstring set_channel;
  std::wstring get_channel;
  int set_type = 0;
  int get_type = 0;
};

// The fields the check compares, in the order of Channels.
const char* const kFields[4] = {"Set_ChannelName", "Get_ChannelName", "Set_Type", "Get_Type"};

// A type as the load stores it: the text's integer prefix (0 when missing).
int typeOf(const char* text) {
  return text == nullptr ? 0 : static_cast<int>(integerPrefix(wideText(text), INT_MIN, INT_MAX));
}

// The channels of the workspace parameter of that name. A parameter that the
// workspace does not hold yet reads as a fresh one (empty names, types 0); it
// is not created, so the check leaves the workspace as it found it.
Channels workspaceChannels(const std::wstring& name) {
  Channels c;
  const long long handle =
      workspace::Workspace::getInstance()->findElement(name, workspace::memory_area::kParameters);
  if (handle <= 0) return c;
  const workspace::Parameter parameter(handle);
  c.set_channel = parameter.get<std::wstring>(param::Set_ChannelName);
  c.get_channel = parameter.get<std::wstring>(param::Get_ChannelName);
  c.set_type = parameter.get<int>(param::Set_Type);
  c.get_type = parameter.get<int>(param::Get_Type);
  return c;
}

}  // namespace

bool ParameterLoader::check_reload(pugi::xml_node* measurementDefinition) {
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
    const ChannelsByName configured = configuredChannels();
    for (const std::wstring* category :
         {&OPERATING_POINT_PARAMETER_PATH, &SET_PARAMETER_PATH, &MEASUREMENT_PARAMETER_PATH,
          &INTERNAL_PARAMETER_PATH, &INVISIBLE_PARAMETER_PATH}) {
      checkReloadParameterTree(*category, mapping, configured);
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

ParameterLoader::ChannelsByName ParameterLoader::configuredChannels() const {
  // A load applies every definition of a name in load order, a later one
  // over the fields it holds: what a field ends up as is the last definition
  // in that order that holds it.
  ChannelsByName configured;
  for (const std::wstring* category :
       {&SET_PARAMETER_PATH, &OPERATING_POINT_PARAMETER_PATH, &MEASUREMENT_PARAMETER_PATH,
        &INTERNAL_PARAMETER_PATH, &INVISIBLE_PARAMETER_PATH}) {
    for (const pugi::xml_node& element : getParameterIterator(*category)) {
      ConfiguredChannels& channels = configured[childText(element, "Name")];
      for (int k = 0; k < 4; ++k) {
        const pugi::xml_node field = element.child(kFields[k]);
        if (field) channels.fields[k] = field.child_value();
      }
    }
  }
  return configured;
}

void ParameterLoader::checkReloadParameterTree(const std::wstring& category) {
  checkReloadParameterTree(category, channel_mapping_active_ ? &channel_mapping_ : nullptr,
                           configuredChannels());
}

void ParameterLoader::checkReloadParameterTree(const std::wstring& category,
                                               const boost::property_tree::wptree* mapping,
                                               const ChannelsByName& configuredByName) {
  for (const pugi::xml_node& element : getParameterIterator(category)) {
    const std::wstring name = childText(element, "Name");
    const ConfiguredChannels& fields = configuredByName.at(name);
    Channels configured;
    if (fields.fields[0] != nullptr) configured.set_channel = wideText(fields.fields[0]);
    if (fields.fields[1] != nullptr) configured.get_channel = wideText(fields.fields[1]);
    configured.set_type = typeOf(fields.fields[2]);
    configured.get_type = typeOf(fields.fields[3]);
    // A load stores a non-empty channel name as its alias (get_alias_name).
    if (mapping != nullptr) {
      for (std::wstring* channel : {&configured.set_channel, &configured.get_channel}) {
        if (channel->empty()) continue;
        if (const std::wstring* alias = aliasIn(*mapping, *channel)) *channel = *alias;
      }
    }
    const Channels current = workspaceChannels(name);
    const wchar_t* head = nullptr;
    if (configured.set_channel != current.set_channel)
      head = L"Set Channelname has changed for ";
    else if (configured.get_channel != current.get_channel)
      head = L"Get Channelname has changed for ";
    else if (configured.set_type != current.set_type)
      head = L"Set Type has changed for ";
    else if (configured.get_type != current.get_type)
      head = L"Get Type has changed for ";
    if (head != nullptr) {
      WLOG(UA_WARNING) << head << name << L" Please disconnect before loading the configuration";
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
    return parameter_loader_.check_reload(&md);
  } catch (const ConfigException& e) {
    LOG(UA_WARNING) << "Error while checking if reload is possible: " << e.what();
    return false;
  }
}

}  // namespace tavik
