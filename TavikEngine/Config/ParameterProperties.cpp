// ParameterLoader::setProperty and ParameterLoader::parse_loaded_parameter:
// storing one configured property and deriving the items that follow from
// all of them.
#include <charconv>
#include <climits>
#include <string>

#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/Config/WideText.h"
#include "TavikEngine/Config/parameterloader.h"
#include "TavikEngine/LogLevels.h"
#include "wideint/LogFlags.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/WorkspaceException.h"

namespace tavik {
namespace {

namespace param = workspace::parameter;

const std::wstring kThisParameter = L"ThisParameter";

// The parameter's name as the hook file's attribute asks for it: blanks
// become "_" and "-" becomes "0"; nothing else changes (the formula loader
// then makes it a valid, distinct attribute).
std::wstring formulaVariableOf(std::wstring name) {
  for (wchar_t& c : name) {
    if (c == L' ') c = L'_';
  }
  for (wchar_t& c : name) {
    if (c == L'-') c = L'0';
  }
  return name;
}

std::wstring nameOf(const workspace::Parameter& parameter) {
  std::wstring name;
  parameter.getName(name);
  return name;
}

// One side of a parameter: the composite text is split at its last ";" into
// the head, which stays in the composite item, and the suffix; the full
// channel name is the channel followed by the suffix. Without a ";" only the
// full channel name (the bare channel) is written.
void splitComposite(workspace::Parameter& parameter, const std::wstring& composite,
                    param::Property channel_item, param::Property composite_item,
                    param::Property suffix_item, param::Property full_item) {
  const std::wstring channel = parameter.get<std::wstring>(channel_item);
  const std::size_t split = composite.rfind(L';');
  if (split == std::wstring::npos) {
    parameter.set(full_item, channel);
    return;
  }
  const std::wstring suffix = composite.substr(split + 1);
  parameter.set(composite_item, composite.substr(0, split));
  parameter.set(suffix_item, suffix);
  parameter.set(full_item, channel + suffix);
}

// The value as the warning names it: the shortest text that reads back as
// the same number.
std::wstring numberText(double value) {
  char digits[64];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  return std::wstring(digits, end.ptr);
}

// Stores a plain value. A number property whose text is not a number of its
// kind (a decimal comma, a unit behind the number, a value out of its range:
// common in files edited by hand) does not end the load: it takes what the
// text's number prefix reads (see numberPrefix, integerPrefix), with a
// WARNING naming the parameter, the property and the text.
void storeText(workspace::Parameter& parameter, const std::wstring& property,
               const std::wstring& value) {
  param::Property item;
  workspace::ValueKind kind = workspace::ValueKind::WideText;
  try {
    parameter.set(property, value);
    return;
  } catch (const WorkspaceException&) {
    // A text item that refuses its text (too long, a zero character) is no
    // matter of numbers.
    if (!workspace::Parameter::findProperty(property, item)) throw;
    kind = workspace::valueKindOf(parameter.getTypeForProperty(static_cast<unsigned int>(item)));
    if (kind != workspace::ValueKind::Double && kind != workspace::ValueKind::Int &&
        kind != workspace::ValueKind::Unsigned && kind != workspace::ValueKind::LongLong)
      throw;
  }
  // Every write below notifies, as the write of a well-formed text does.
  auto& items = static_cast<workspace::ItemNotifyerElement<workspace::Parameter>&>(parameter);
  const std::wstring head = L"The text \"" + value + L"\" of property " + property +
                            L" of parameter " + nameOf(parameter);
  if (kind == workspace::ValueKind::Double) {
    const double number = numberPrefix(value);
    WLOG(WARNING) << head << L" is not a number; " << numberText(number) << L" is used";
    items.set(item, number);
    return;
  }
  const long long number =
      kind == workspace::ValueKind::Int        ? integerPrefix(value, INT_MIN, INT_MAX)
      : kind == workspace::ValueKind::Unsigned ? integerPrefix(value, 0, UINT_MAX)
                                               : integerPrefix(value, LLONG_MIN, LLONG_MAX);
  WLOG(WARNING) << head << L" is not an integer in the property's range; " << number
                << L" is used";
  if (kind == workspace::ValueKind::Int)
    items.set(item, static_cast<int>(number));
  else if (kind == workspace::ValueKind::Unsigned)
    items.set(item, static_cast<unsigned int>(number));
  else
    items.set(item, number);
}

}  // namespace

void ParameterLoader::setProperty(boost::shared_ptr<workspace::Parameter> parameter,
                                  const std::wstring& property, const std::wstring& value) {
  storeProperty(*parameter, property, value);
}

ParameterLoader::ValueForm ParameterLoader::formOf(const std::wstring& value) {
  if (startsWith(value, kMapPrefix)) return ValueForm::Map;
  if (startsWith(value, kFormulaPrefix)) return ValueForm::Formula;
  return ValueForm::Plain;
}

ParameterLoader::Stored ParameterLoader::storeProperty(workspace::Parameter& parameter,
                                                       const std::wstring& property,
                                                       const std::wstring& value) {
  switch (formOf(value)) {
    case ValueForm::Map:
      parameter.set_map(property, value.substr(kMapPrefix.size()));
      return Stored::Map;
    case ValueForm::Plain:
      storeText(parameter, property, value);
      return Stored::Plain;
    case ValueForm::Formula:
      break;
  }

  const std::wstring formula_name = value.substr(kFormulaPrefix.size());
  if (formula_loader_ == nullptr) return Stored::Nothing;
  // The first record of that name, through the loader's index: with keyed
  // records the list can be long.
  const std::vector<size_t>& found = formula_loader_->find_formulas(formula_name);
  if (found.empty()) {
    // A formula that the configuration does not define leaves the property
    // as it was. One that it defines but the hook file refused still names
    // the channel: the text is written as for any formula, and a reload
    // check of the same file then finds it unchanged.
    if (property == L"Get_ChannelName" && formula_loader_->isRefused(formula_name))
      parameter.set(param::Get_ChannelName, value);
    return Stored::Nothing;
  }
  FormulaEntry* definition = &formula_loader_->get_formulas()[found.front()];

  const std::wstring target = nameOf(parameter);
  // The property becomes an attribute name in the hook file.
  const std::wstring hookProperty = property == L"Get_ChannelName" ? L"Get_FBValue" : property;
  if (!isPythonAttributeName(hookProperty)) {
    WLOG(WARNING) << L"The formula " << formula_name << L" cannot drive the property " << property
                  << L" of parameter " << target << L": the property name is not a valid attribute";
    return Stored::Nothing;
  }
  // Blanks become "_" and "-" becomes "0"; a name that is still no attribute
  // name, or that another name of this load already took, gets one of its own.
  const std::wstring variable = formula_loader_->parameterAttribute(formulaVariableOf(target), target);
  const std::wstring setter = variable + L".set(Parameter.Property." + hookProperty + L", ";
  if (property == L"Get_ChannelName") parameter.set(param::Get_ChannelName, value);

  definition->setter = setter;
  definition->variable = variable;
  definition->target = target;
  definition->parameter_bound = true;

  FormulaEntry use;
  use.setter = setter;
  use.variable = variable;
  use.target = target;
  use.parameter_bound = true;
  if (!definition->this_parameter) {
    use.name = formula_name;
    use.expression = definition->expression;
    use.use_min_max = definition->use_min_max;
    use.min = definition->min;
    use.max = definition->max;
    parameter_formula_uses_.push_back(use);
    return Stored::ParameterUse;
  }
  use.expression = replaceAll(definition->expression, kThisParameter, variable);
  this_parameter_formula_uses_.push_back(use);
  return Stored::ThisParameterUse;
}

void ParameterLoader::storeDefinedProperty(workspace::Parameter& parameter, Definition& definition,
                                           const std::wstring& property,
                                           const std::wstring& value) {
  // The property named again: what this load bound to it before goes, so
  // that the later naming wins as a plain value does over a plain value.
  if (!definition.bindings.empty()) {
    auto& bindings = definition.bindings;
    for (auto at = bindings.begin(); at != bindings.end();) {
      if (at->property != property) {
        ++at;
        continue;
      }
      if (at->map) {
        parameter.clear_map(property);
      } else {
        (at->this_parameter ? dropped_this_parameter_uses_ : dropped_parameter_uses_)
            .push_back(at->use);
      }
      at = bindings.erase(at);
    }
  }
  switch (storeProperty(parameter, property, value)) {
    case Stored::Plain: {
      // The composite texts are split anew. (Catalogue names compare
      // exactly.)
      static const std::wstring kSetComposite = L"Set_DeviceName";
      static const std::wstring kGetComposite = L"Get_DeviceName";
      if (property == kSetComposite) definition.wrote_set_composite = true;
      if (property == kGetComposite) definition.wrote_get_composite = true;
      break;
    }
    case Stored::Map:
      definition.bindings.push_back({property, true, false, 0});
      break;
    case Stored::ParameterUse:
      definition.bindings.push_back({property, false, false, parameter_formula_uses_.size() - 1});
      break;
    case Stored::ThisParameterUse:
      definition.bindings.push_back(
          {property, false, true, this_parameter_formula_uses_.size() - 1});
      break;
    case Stored::Nothing:
      break;
  }
}

void ParameterLoader::parse_loaded_parameter(boost::shared_ptr<workspace::Parameter> parameter) {
  deriveItems(*parameter, parameter->get<std::wstring>(param::Set_DeviceName),
              parameter->get<std::wstring>(param::Get_DeviceName));
}

void ParameterLoader::deriveItems(workspace::Parameter& parameter,
                                  const std::wstring& set_composite,
                                  const std::wstring& get_composite) {
  splitComposite(parameter, set_composite, param::Set_ChannelName, param::Set_DeviceName,
                 param::Set_Suffix, param::Set_FullChannelName);
  splitComposite(parameter, get_composite, param::Get_ChannelName, param::Get_DeviceName,
                 param::Get_Suffix, param::Get_FullChannelName);

  const std::string request_channel = parameter.get<std::string>(param::Request_ChannelName);
  if (!request_channel.empty()) {
    const std::wstring name = nameOf(parameter);
    const std::wstring set_device = parameter.get<std::wstring>(param::Set_DeviceName);
    const std::wstring set_suffix = parameter.get<std::wstring>(param::Set_Suffix);
    parameter.set(param::Has_Request_Parameter, 1);
    workspace::Parameter request(name + L"_Request_Parameter");
    parameter.set(param::Request_Parameter, request.getHandle());
    request.set(param::Set_ChannelName, request_channel);
    request.set(param::Set_DeviceName, set_device);
    request.set(param::Set_Suffix, set_suffix);
    request.set(param::Set_Type, 0);
    request.set(param::Request_Switch_Off, ecu_switch_off_);
    request.initSetValue(ecu_switch_off_);
    request.increaseReferenceCounter();
    request.set(param::Category_Type, static_cast<int>(param::Request_Type));
    request.add_log_flags(LOG_FLAG_7);
  }

  parameter.set(param::ECU_Switch_On, ecu_switch_on_);
  parameter.set(param::ECU_Switch_Off, ecu_switch_off_);

  const int set_type = parameter.get<int>(param::Set_Type);
  const int get_type = parameter.get<int>(param::Get_Type);
  if (set_type == 1)
    parameter.set(param::Set_TypeText, std::string("Map"));
  else if (set_type == 0)
    parameter.set(param::Set_TypeText, std::string("Parameter"));
  if (get_type == 2)
    parameter.set(param::Get_TypeText, std::string("Signal"));
  else if (get_type == 0)
    parameter.set(param::Get_TypeText, std::string("Parameter"));
}

}  // namespace tavik
