// ParameterLoader: the category walk, one parameter's properties and the
// channel mapping. Property storage and the derived items are in
// ParameterProperties.cpp, set-name links in SetNameLinks.cpp, the reload
// comparison in ReloadCheck.cpp.
#include "TavikEngine/Config/parameterloader.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <boost/property_tree/ini_parser.hpp>

#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"
#include "wideint/LogFlags.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"

namespace tavik {

const std::wstring ParameterLoader::SET_PARAMETER_PATH = L"SetParameter";
const std::wstring ParameterLoader::OPERATING_POINT_PARAMETER_PATH = L"OperatingPoint";
const std::wstring ParameterLoader::MEASUREMENT_PARAMETER_PATH = L"Measurement";
const std::wstring ParameterLoader::INTERNAL_PARAMETER_PATH = L"InternalVar";
const std::wstring ParameterLoader::INVISIBLE_PARAMETER_PATH = L"Invisible";
const std::wstring* const ParameterLoader::CATEGORY_LOAD_ORDER[5] = {
    &SET_PARAMETER_PATH, &OPERATING_POINT_PARAMETER_PATH, &MEASUREMENT_PARAMETER_PATH,
    &INTERNAL_PARAMETER_PATH, &INVISIBLE_PARAMETER_PATH};

namespace {

namespace param = workspace::parameter;
namespace global = workspace::global_config;

constexpr const char* kChannelMappingFile = "/Settings/MA/channel_mapping.aka";

// The demand properties that "initialize_demand_values_0" clears, in order.
constexpr param::Property kDemandProperties[] = {
    param::Demand_Value,   param::Demand_Value_1, param::Demand_Value_2, param::Demand_Value_3,
    param::Demand_Value_4, param::Demand_Value_5, param::Demand_Value_6, param::Demand_Value_7,
    param::Demand_Value_8, param::Demand_Value_9, param::Demand_Value_10};

// The log flags of one category type; false when the type gets none.
bool logFlagsOf(param::TParameterType type, uint256_t& flags) {
  switch (type) {
    case param::OperatingPoint_Type: flags = LOG_FLAG_8 | LOG_FLAG_10; return true;
    case param::SetParameter_Type:
      flags = LOG_FLAG_7 | LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13 | LOG_FLAG_10;
      return true;
    case param::Measurement_Type: flags = LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13; return true;
    case param::InternalVar_Type: flags = LOG_FLAG_10; return true;
    case param::Invisible_Type: flags = LOG_FLAG_8 | LOG_FLAG_7; return true;
    case param::Type_6: flags = LOG_FLAG_8 | LOG_FLAG_7 | LOG_FLAG_10; return true;
    case param::Request_Type: flags = LOG_FLAG_7; return true;
    default: return false;
  }
}

// The mapping file as wide text: read as UTF-8, a leading byte-order mark
// dropped. Throws when the file cannot be read.
std::wstring readUtf8File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  return wideText(bytes.c_str());
}

}  // namespace

ParameterLoader::ParameterLoader()
    : ecu_switch_on_(1.0),
      ecu_switch_off_(0.0),
      initialize_demand_values_0_(0),
      transfer_inactive_parameters_(0),
      channel_mapping_active_(false),
      formula_loader_(nullptr),
      category_counts_{0, 0, 0, 0, 0} {
  IniReader* ini = IniReader::get_instance(true);
  ecu_switch_on_ = ini->get_real_item("ECU_SWITCH_ON", 1.0);
  ecu_switch_off_ = ini->get_real_item("ECU_SWITCH_OFF", 0.0);
  initialize_demand_values_0_ = ini->get_int_item("initialize_demand_values_0", 0);
  transfer_inactive_parameters_ = ini->get_int_item("transfer_inactive_parameters", 0);
}

ParameterLoader::~ParameterLoader() = default;

void ParameterLoader::setFormuaLoader(FormuaLoader* formulaLoader) {
  formula_loader_ = formulaLoader;
}

bool ParameterLoader::hasOperatingPointParameters() {
  return category_counts_[param::OperatingPoint_Type - 1] != 0;
}

bool ParameterLoader::readChannelMappingFile(boost::property_tree::wptree& mapping) {
  // The file is optional: a missing or malformed one leaves the mapping as it
  // was, without a message.
  try {
    const std::string path = IniReader::get_instance(true)->get_user_path() + kChannelMappingFile;
    std::wistringstream text(readUtf8File(path));
    boost::property_tree::wptree read;
    boost::property_tree::ini_parser::read_ini(text, read);
    mapping.swap(read);
    return true;
  } catch (...) {
    return false;
  }
}

bool ParameterLoader::readChannelMapping() {
  if (!readChannelMappingFile(channel_mapping_)) return false;
  channel_mapping_active_ = true;
  return true;
}

void ParameterLoader::load(pugi::xml_node* measurementDefinition) {
  this_parameter_formula_uses_.clear();
  parameter_formula_uses_.clear();

  IniReader* ini = IniReader::get_instance(true);
  initialize_demand_values_0_ = ini->get_int_item("initialize_demand_values_0", 0);
  transfer_inactive_parameters_ = ini->get_int_item("transfer_inactive_parameters", 0);

  if (readChannelMapping()) {
    LOG(INFO) << "System channel mapping file found. Channel mapping activated";
  }

  DurationLogger timer(L"Loading Parameters");
  workspace::Parameter result(std::wstring(L"Result"));
  result.increaseReferenceCounter();

  parameters_ = measurementDefinition->child("Parameters");
  loaded_names_.clear();
  definitions_.clear();
  dropped_parameter_uses_.clear();
  dropped_this_parameter_uses_.clear();

  struct Category {
    const std::wstring& path;
    bool activate;
    param::TParameterType type;
    const char* line;
  };
  const Category categories[] = {
      {*CATEGORY_LOAD_ORDER[0], false, param::SetParameter_Type, "Loading Set Parameters"},
      {*CATEGORY_LOAD_ORDER[1], true, param::OperatingPoint_Type,
       "Loading Operating Point Parameters"},
      {*CATEGORY_LOAD_ORDER[2], false, param::Measurement_Type, "Loading Measurement Parameters"},
      {*CATEGORY_LOAD_ORDER[3], false, param::InternalVar_Type, "Loading Internal Parameters"},
      {*CATEGORY_LOAD_ORDER[4], false, param::Invisible_Type, "Loading Invisible Parameters"},
  };
  for (const Category& category : categories) {
    LOG(INFO) << category.line;
    category_counts_[category.type - 1] =
        loadParameterTree(category.path, category.activate, category.type);
    if (category.type == param::SetParameter_Type) manage_set_names();
  }

  // A use whose property a later definition named again is gone.
  for (auto* list : {&dropped_parameter_uses_, &dropped_this_parameter_uses_})
    std::sort(list->begin(), list->end());
  const auto keep = [](std::vector<FormulaEntry>& uses, const std::vector<std::size_t>& dropped) {
    if (dropped.empty()) return;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < uses.size(); ++k)
      if (!std::binary_search(dropped.begin(), dropped.end(), k)) uses[kept++] = std::move(uses[k]);
    uses.resize(kept);
  };
  keep(parameter_formula_uses_, dropped_parameter_uses_);
  keep(this_parameter_formula_uses_, dropped_this_parameter_uses_);
  definitions_.clear();  // only the running load builds on them
  if (formula_loader_ != nullptr) {
    std::vector<FormulaEntry>& uses = formula_loader_->get_formula_uses();
    uses.insert(uses.end(), parameter_formula_uses_.begin(), parameter_formula_uses_.end());
    uses.insert(uses.end(), this_parameter_formula_uses_.begin(),
                this_parameter_formula_uses_.end());
  }
}

long long ParameterLoader::loadParameterTree(const std::wstring& category, bool activate,
                                             param::TParameterType type) {
  const auto range = getParameterIterator(category);
  const long long count = std::distance(range.begin(), range.end());

  workspace::GlobalConfig global;
  global.set(global::StatusText, L"Step 2/4: Loading Parameters: " + category);
  global.set(global::ProgressTotal, static_cast<int>(count));
  global.set(global::ProgressCurrent, 0);

  // Room for every name of the category at once, not rehash after rehash.
  loaded_names_.reserve(loaded_names_.size() + static_cast<std::size_t>(count));
  definitions_.reserve(definitions_.size() + static_cast<std::size_t>(count));

  uint256_t flags;
  const bool has_flags = logFlagsOf(type, flags);
  for (const pugi::xml_node& element : range) {
    global.set(global::ProgressCurrent, global.get<int>(global::ProgressCurrent) + 1);
    if (global.get<int>(global::AbortRequest) > 0) throw LoadAbortedException();

    std::wstring& name = name_buffer_;
    assignWideText(name, element.child_value("Name"));
    if (name == L"NN")
      throw ConfigException("Error parsing parameter. ParameterName is missing in config");
    // Every definition of a name is applied, in load order, to its one
    // parameter.
    const auto known = loaded_names_.emplace(name, definitions_.size());
    const bool repeated = !known.second;
    if (repeated) {
      WLOG(WARNING) << L"Parameter " << name << L" is defined more than once; the definition in "
                    << category << L" is applied over the earlier one";
    } else {
      definitions_.emplace_back();
    }
    Definition& definition = definitions_[known.first->second];
    boost::shared_ptr<workspace::Parameter> parameter =
        parseParameter(element, name, definition, repeated);
    // A composite text is split once per load: a definition that does not
    // write it splits the text as this load wrote it, not its split head.
    if (!repeated || definition.wrote_set_composite)
      definition.set_composite = parameter->get<std::wstring>(param::Set_DeviceName);
    if (!repeated || definition.wrote_get_composite)
      definition.get_composite = parameter->get<std::wstring>(param::Get_DeviceName);
    deriveItems(*parameter, definition.set_composite, definition.get_composite);
    parameter->set(param::Category_Type, static_cast<int>(type));
    if (has_flags) parameter->add_log_flags(flags);
    if (activate) parameter->activate();
  }
  return count;
}

pugi::xml_object_range<pugi::xml_named_node_iterator> ParameterLoader::getParameterIterator(
    const std::wstring& category) const {
  // The category goes in as an XPath variable, never spliced into the query
  // text: a name holding a quote neither breaks the query nor changes what
  // it selects.
  pugi::xpath_variable_set variables;
  variables.set("category", utf8Text(category).c_str());
  const pugi::xpath_query query("ParameterType/Category[text()=$category]/..", &variables);
  const pugi::xml_node type = parameters_.select_node(query).node();
  return type.children("Parameter");
}

boost::shared_ptr<workspace::Parameter> ParameterLoader::parseParameter(
    const pugi::xml_node& element) {
  Definition definition;
  return parseParameter(element, childText(element, "Name"), definition, false);
}

boost::shared_ptr<workspace::Parameter> ParameterLoader::parseParameter(
    const pugi::xml_node& element, const std::wstring& name, Definition& definition,
    bool repeated) {
  if (name == L"NN")
    throw ConfigException("Error parsing parameter. ParameterName is missing in config");

  boost::shared_ptr<workspace::Parameter> parameter = create_shared<workspace::Parameter>(name);
  parameter->increaseReferenceCounter();
  // The bindings are those of this load's definitions ("Map:" values below):
  // an earlier load's go, an earlier definition's stay.
  if (!repeated) parameter->clear_maps();
  definition.wrote_set_composite = false;
  definition.wrote_get_composite = false;

  forEachDefinedProperty(
      element, [this](std::wstring& value) { get_alias_name(value); },
      [&](const std::wstring& property, const std::wstring& value) {
        storeDefinedProperty(*parameter, definition, property, value);
      });

  if (initialize_demand_values_0_ > 0) {
    for (param::Property demand : kDemandProperties) parameter->set(demand, 0.0);
  }
  if (transfer_inactive_parameters_ > 0) parameter->activate();
  return parameter;
}

const std::wstring* ParameterLoader::aliasIn(const boost::property_tree::wptree& mapping,
                                             const std::wstring& name) {
  try {
    const boost::optional<const boost::property_tree::wptree&> entry =
        mapping.get_child_optional(boost::property_tree::wptree::path_type(name, L'.'));
    return entry ? &entry->data() : nullptr;
  } catch (...) {
    return nullptr;  // an odd name is just a name without an alias
  }
}

void ParameterLoader::get_alias_name(std::wstring& name) {
  if (!channel_mapping_active_) return;
  const std::wstring* alias = aliasIn(channel_mapping_, name);
  if (alias == nullptr) return;
  WLOG(INFO) << L"Found alias name for %" << name << L" -> " << *alias;
  name = *alias;
}

}  // namespace tavik
