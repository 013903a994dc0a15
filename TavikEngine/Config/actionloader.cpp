#include "TavikEngine/Config/actionloader.h"

#include <cmath>
#include <cwchar>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>

#include <boost/lexical_cast.hpp>

#include "TavikEngine/Config/ChildFields.h"
#include "TavikEngine/Config/DataOptions.h"
#include "TavikEngine/Config/WideText.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/Config/maploader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ActionGroup.h"
#include "workspace/ChannelSelector.h"
#include "workspace/Checkbox.h"
#include "workspace/Chunk.h"
#include "workspace/ComboboxElement.h"
#include "workspace/DeviceStatusChannel.h"
#include "workspace/ElementItems.h"
#include "workspace/FormulaResult.h"
#include "workspace/NumericValue.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"
#include "workspace/PropertyTable.h"
#include "workspace/SharedAction.h"
#include "workspace/StringValue.h"
#include "workspace/Utf16.h"
#include "workspace/Workspace.h"
#include "workspace/WorkspaceException.h"

namespace tavik {

namespace {

namespace act = workspace::shared_action;
namespace prop = workspace::action_property;

constexpr int kActionGroupType = workspace::element_type::kActionGroup;
constexpr long long kParameterArea = workspace::memory_area::kParameters;
constexpr size_t kValueOptionLimit = 1024;
constexpr int kCommentChunkSize = 1024;
const std::wstring kDashesPrefix = L"---";
// What the names of an action's property elements begin with.
const std::wstring kPropertyPrefix = L"_prop_";

// Code of an option's ParentCategory: 1 "Set", 3 "Option", 2 "Limit"; 0 else.
int categoryCode(const char* category) {
  if (wideTextIs(category, "Set")) return 1;
  if (wideTextIs(category, "Option")) return 3;
  if (wideTextIs(category, "Limit")) return 2;
  return 0;
}

// The kind of an action by its exact ActionCategory text.
int actionKind(const char* category) {
  if (wideTextIs(category, "PythonClassAction")) return 4;
  if (wideTextIs(category, "Function based Python Action")) return 2;
  if (wideTextIs(category, "StatemachineAction")) return 1;
  return 0;
}

// The children of an Action node that its creation reads.
enum ActionField {
  kName, kComment, kModule, kX, kY, kWidth, kHeight, kColor, kParallel, kLoop, kCategory,
  kVersion, kUnused, kOptions, kNextActions, kActionFieldCount
};
const char* const kActionFieldNames[kActionFieldCount] = {
    "Name", "Comment", "ActionModule", "X", "Y", "Width", "Height", "Color",
    "ParallelActionFlag", "LoopActionFlag", "ActionCategory", "Version", "UnusedActionFlag",
    "Options", "NextActions"};

// Whether a flag child's text is exactly "True".
bool isTrue(const pugi::xml_node& field) { return wideTextIs(field.child_value(), "True"); }

// A decimal integer filling the whole text (blanks in front and a sign
// allowed), else `fallback`.
int integerOr(const std::wstring& text, int fallback) {
  if (text.empty()) return fallback;
  errno = 0;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != L'\0' || errno == ERANGE || value < INT_MIN ||
      value > INT_MAX)
    return fallback;
  return static_cast<int>(value);
}

// Whether the whole text reads as a floating-point number (wcstod: blanks in
// front, sign, digits, point, exponent, inf, nan, hexadecimal). The empty text
// counts as a number.
bool isWholeNumber(const std::wstring& text) {
  wchar_t* end = nullptr;
  std::wcstod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

// The size of a comment's own chunk: the 16-bit units it is stored in.
int commentUnits(const std::wstring& comment) {
  const std::size_t units = workspace::utf16Length(comment);
  return units > INT_MAX ? INT_MAX : static_cast<int>(units);
}

// A narrow text (the workspace's messages) on a wide log line, byte by byte.
std::wstring widened(const std::string& text) {
  std::wstring out;
  for (unsigned char c : text) out.push_back(static_cast<wchar_t>(c));
  return out;
}

// First Value child of a values node (empty text when none).
std::wstring firstValue(const pugi::xml_node& values) { return childText(values, "Value"); }

// A DeviceStatusChannel option with its values.
ActionLoader::StatusChannelOption readStatusChannel(const pugi::xml_node& option,
                                                    const pugi::xml_node& values) {
  const pugi::xml_node channelOption =
      option.child("TypeProperties").child("DeviceStatusChannelOption");
  return {childText(option, "Name"), childText(channelOption, "Device"),
          childText(channelOption, "StatusParameter"), firstValue(values)};
}

// The name of the element class of an element type code, for log lines.
std::wstring classNameOf(int elementType) {
  for (const workspace::ElementSchema& schema : workspace::allSchemas())
    if (schema.element_type == elementType) return widened(schema.class_name);
  return L"element of type " + std::to_wstring(elementType);
}

// Runs one step of building an action that the action can do without (a
// comment chunk): a refusal of the workspace (a name or text that does not
// fit) is a WARNING naming the action, the step and the reason, and the
// action is built on. A full workspace reaches the caller: every later
// element would be refused alike.
template <class Step>
void leaveOutOnRefusal(const std::wstring& fullName, const wchar_t* what, Step&& step) {
  try {
    step();
  } catch (const WorkspaceFullException&) {
    throw;
  } catch (const WorkspaceException& e) {
    WLOG(WARNING) << L"Action " << fullName << L": " << what << L" is left out: "
                  << widened(e.twhat());
  }
}

// The element's handle when it denotes an element, else -1.
template <class Element>
long long handleOf(const Element& element) {
  return element.getHandle() > 0 ? element.getHandle() : -1;
}

}  // namespace

// --- ActionLoaderBase -------------------------------------------------------

ActionLoaderBase::ActionLoaderBase() : workspace(workspace::Workspace::getInstance()) {}

ActionLoaderBase::~ActionLoaderBase() = default;

boost::shared_ptr<workspace::SharedAction> ActionLoaderBase::get_shared_action(
    const std::wstring& name) {
  long long handle = 0;
  const int type = builtElementType(name, handle);
  if (type == kActionGroupType) {
    workspace::ActionGroup group(handle);
    return create_shared<workspace::SharedAction>(builtHandle(group.getStartAction()));
  }
  return create_shared<workspace::SharedAction>(handle);
}

void ActionLoaderBase::openBuiltRegister() {
  built_.clear();
  registerOpen_ = true;
}

void ActionLoaderBase::closeBuiltRegister() {
  built_.clear();
  registerOpen_ = false;
}

bool ActionLoaderBase::recordBuilt(long long handle) { return built_.insert(handle).second; }

long long ActionLoaderBase::builtHandle(long long handle) const {
  if (handle < 1 || !registerOpen_ || built_.count(handle) > 0) return handle;
  return 0;
}

int ActionLoaderBase::builtElementType(const std::wstring& name, long long& handle) {
  handle = builtHandle(workspace->findElement(name, workspace::memory_area::kActions));
  return workspace->getElementType(handle);
}

void ActionLoaderBase::claimName(const std::wstring& name, int classId) {
  if (!registerOpen_) return;
  const long long handle = workspace->findElement(name, workspace::memory_area::kActions);
  if (handle < 1 || built_.count(handle) > 0) return;
  const workspace::ElementSchema* schema = workspace::findSchema(classId);
  if (schema != nullptr && workspace->getElementType(handle) != schema->element_type)
    workspace->remakeAsClass(handle, classId);
}

// --- ActionLoader -----------------------------------------------------------

ActionLoader::ActionLoader() {
  workspace = workspace::Workspace::getInstance();
}

ActionLoader::~ActionLoader() = default;

void ActionLoader::setFormuaLoader(FormuaLoader* loader, std::vector<FormulaEntry>* uses) {
  formuaLoader = loader;
  formulaUses = uses;
}

void ActionLoader::setMapLoader(const MapLoader* maps) { mapLoader = maps; }

boost::shared_ptr<workspace::SharedAction> ActionLoader::createAction(
    const std::wstring& prefix, const pugi::xml_node& action, long long sequenceHandle,
    long long testplanHandle, std::wstring& fullName) {
  pugi::xml_node fields[kActionFieldCount];
  firstChildren(action, kActionFieldNames, fields);
  const std::wstring name = wideText(fields[kName].child_value());
  const std::wstring full = prefix + L"/" + name;
  const int exits = countElements(fields[kNextActions], "Action");
  const boost::shared_ptr<workspace::SharedAction> element =
      create_shared<workspace::SharedAction>(full, exits);
  fullName = full;

  // From here on a value the workspace refuses costs its item or option
  // only: the action is built and listed all the same.
  setText(*element, full, act::ActionModule, fields[kModule], nullptr);
  setText(*element, full, act::Name, fields[kName], nullptr);
  if (isTrue(fields[kParallel])) element->set(act::ParallelActionFlag, 1);
  if (isTrue(fields[kLoop])) element->set(act::LoopActionFlag, 1);
  element->set(act::UnusedActionFlag, isTrue(fields[kUnused]) ? 1 : 0);
  setText(*element, full, act::X, fields[kX], nullptr);
  setText(*element, full, act::Y, fields[kY], nullptr);
  setText(*element, full, act::Width, fields[kWidth], L"-1");
  setText(*element, full, act::Height, fields[kHeight], L"-1");
  element->set(act::Kind, actionKind(fields[kCategory].child_value()));
  element->set(act::FirstPropertyIndex, 0);
  setText(*element, full, act::Version, fields[kVersion], nullptr);
  element->set(act::SequenceHandle, sequenceHandle);
  element->set(act::TestplanHandle, testplanHandle);
  setText(*element, full, act::Color, fields[kColor], L"0");
  element->increaseReferenceCounter();

  const std::wstring comment = wideText(fields[kComment].child_value());
  if (!comment.empty()) {
    leaveOutOnRefusal(full, L"the comment", [&] {
      workspace::Chunk chunk(full + L"_lua_chunk", comment, commentUnits(comment));
      chunk.increaseReferenceCounter();
      element->set(act::CommentChunk, chunk.getHandle());
    });
  }

  addProperties(*element, full, fields[kOptions], nullptr);
  finishAction(*element, full);
  return element;
}

boost::shared_ptr<workspace::SharedAction> ActionLoader::createGroupAction(
    const GroupActionContext& context, const pugi::xml_node& action,
    const pugi::xml_node& groupData, std::wstring& fullName) {
  pugi::xml_node fields[kActionFieldCount];
  firstChildren(action, kActionFieldNames, fields);
  const std::wstring name = wideText(fields[kName].child_value());
  const std::wstring full = context.namePrefix + L"/" + name;
  const int exits = countElements(fields[kNextActions], "Action");
  const boost::shared_ptr<workspace::SharedAction> element =
      create_shared<workspace::SharedAction>(full, exits);
  fullName = full;

  // As in createAction, a refused value costs its item or option only.
  const std::wstring comment = wideText(fields[kComment].child_value());
  setText(*element, full, act::ActionModule, fields[kModule], nullptr);
  setText(*element, full, act::Name, fields[kName], nullptr);
  if (isTrue(fields[kParallel])) element->set(act::ParallelActionFlag, 1);
  if (isTrue(fields[kLoop])) element->set(act::LoopActionFlag, 1);

  long long commentChunk = 0;
  leaveOutOnRefusal(full, L"the comment", [&] {
    workspace::Chunk chunk(full + L"_comment", comment, kCommentChunkSize);
    chunk.increaseReferenceCounter();
    commentChunk = chunk.getHandle();
  });

  setText(*element, full, act::X, fields[kX], nullptr);
  setText(*element, full, act::Y, fields[kY], nullptr);
  setText(*element, full, act::Width, fields[kWidth], L"0");
  setText(*element, full, act::Height, fields[kHeight], L"0");
  element->set(act::Kind, actionKind(fields[kCategory].child_value()));
  if (commentChunk > 0) element->set(act::CommentChunk, commentChunk);
  element->set(act::FirstPropertyIndex, 0);
  setText(*element, full, act::Version, fields[kVersion], nullptr);
  element->set(act::SequenceHandle, context.sequenceHandle);
  element->set(act::TestplanHandle, context.testplanHandle);
  setText(*element, full, act::Color, fields[kColor], L"0");
  element->increaseReferenceCounter();

  if (!comment.empty()) {
    leaveOutOnRefusal(full, L"the comment", [&] {
      workspace::Chunk chunk(full + L"_lua_chunk", comment, commentUnits(comment));
      chunk.increaseReferenceCounter();
      element->set(act::CommentChunk, chunk.getHandle());
    });
  }

  addProperties(*element, full, fields[kOptions], &groupData);
  finishAction(*element, full);
  return element;
}

void ActionLoader::setText(workspace::SharedAction& action, const std::wstring& fullName,
                           unsigned int item, const pugi::xml_node& field,
                           const wchar_t* ifEmpty) {
  assignWideText(text_, field.child_value());
  if (text_.empty() && ifEmpty != nullptr) text_.assign(ifEmpty);
  try {
    action.set(item, text_);
    return;
  } catch (const WorkspaceException& e) {
    WLOG(WARNING) << L"Action " << fullName << L": item "
                  << widened(action.getPropertyName(item)) << L" left empty, the text \""
                  << text_ << L"\" was refused: " << widened(e.twhat());
  }
  // What a fresh load gives for the same text, whatever an earlier load left.
  action.set(item, std::wstring());
}

long long ActionLoader::propertyOfClass(const workspace::SharedAction& action,
                                        const std::wstring& fullName, const wchar_t* name,
                                        int elementType) const {
  const long long property = action.getActionProperty(name);
  if (property < 1) return property;
  const int type = workspace->getElementType(property);
  if (type == elementType) return property;
  WLOG(WARNING) << L"Action " << fullName << L": the option \"" << name << L"\" is a "
                << classNameOf(type) << L", not a " << classNameOf(elementType)
                << L": it is not read";
  return -1;
}

void ActionLoader::finishAction(workspace::SharedAction& action, const std::wstring& fullName) {
  // Only a check box says how the action takes part in parallel execution
  // (get_parallel_interaction reads nothing else), and only a numeric value
  // holds a loop count: an option of another class counts as absent.
  propertyOfClass(action, fullName, L"ParallelInteraction", workspace::element_type::kCheckbox);
  action.set(act::ParallelInteraction, action.get_parallel_interaction());

  const long long loopHandle =
      propertyOfClass(action, fullName, L"MaxLoop", workspace::element_type::kNumericValue);
  if (loopHandle <= 0) return;
  const double value = workspace::NumericValue(loopHandle).getValue();
  // Truncating a double that is no number or lies outside int is undefined:
  // no count for the first, the nearest int for the second.
  if (std::isnan(value)) {
    WLOG(WARNING) << L"The MaxLoop value of action " << fullName
                  << L" is not a number: no loop count is set";
    return;
  }
  int count = 0;
  if (value >= 2147483648.0) {
    count = INT_MAX;
  } else if (value <= -2147483649.0) {
    count = INT_MIN;
  } else {
    count = static_cast<int>(value);
  }
  if (static_cast<double>(count) != std::trunc(value)) {
    WLOG(WARNING) << L"The MaxLoop value " << widened(boost::lexical_cast<std::string>(value))
                  << L" of action " << fullName << L" is outside the int range; it is set to "
                  << count;
  }
  action.set(act::HasMaxLoop, 1);
  action.set(act::MaxLoop, count);
}

void ActionLoader::createActionProperties(boost::shared_ptr<workspace::SharedAction> action,
                                          pugi::xml_node options) {
  addProperties(*action, action->wideName(), options, nullptr);
}

void ActionLoader::createGroupActionProperties(boost::shared_ptr<workspace::SharedAction> action,
                                               pugi::xml_node options, pugi::xml_node groupData) {
  addProperties(*action, action->wideName(), options, &groupData);
}

void ActionLoader::addProperties(workspace::SharedAction& action, const std::wstring& fullName,
                                 const pugi::xml_node& options, const pugi::xml_node* groupData) {
  // The properties are named after the name the element holds: the full name
  // itself unless the 16-bit storage changes it.
  std::wstring base = L"_prop_";
  if (readsBackUnchanged(fullName)) {
    base += fullName;
  } else {
    base += action.wideName();
  }
  int index = action.get<int>(act::FirstPropertyIndex);
  // The data Options indexed once by name: matching each option by a walk
  // over all of them would grow with the square of their number.
  const DataOptions dataOptions(groupData != nullptr && options.child("Option")
                                    ? groupData->child("Options")
                                    : pugi::xml_node());
  for (const pugi::xml_node& option : options.children("Option")) {
    long long handle = -1;
    if (groupData == nullptr) {
      handle = createPropertyFor(base, option, nullptr);
    } else {
      // The first data Option with a Name of exactly this text; the name is
      // compared, never spliced into a query.
      pugi::xml_node valueOption = dataOptions.find(option.child_value("Name"));
      handle = createPropertyFor(base, option, &valueOption);
    }
    if (handle > 0) action.addActionProperty(index++, handle);
  }
}

namespace {

// The creator of each option Type, with the child of the option that holds
// its values.
struct Creator {
  const char* type;
  const char* values;
  long long (ActionLoader::*withValues)(const std::wstring&, const pugi::xml_node&,
                                        const pugi::xml_node&);
  long long (ActionLoader::*ownValues)(const std::wstring&, const pugi::xml_node&);
};

const Creator kCreators[] = {
    {"ChSelect", "Values", &ActionLoader::createChannelSelectProperty,
     &ActionLoader::createChannelSelectProperty},
    {"ChResetSelect", "Values", &ActionLoader::createChannelSelectProperty,
     &ActionLoader::createChannelSelectProperty},
    {"ChTableSelect", "ValueColumns", &ActionLoader::createChannelTableProperty,
     &ActionLoader::createChannelTableProperty},
    {"Value", "Values", &ActionLoader::createValueProperty, &ActionLoader::createValueProperty},
    {"FileSelect", "Values", &ActionLoader::createValueProperty,
     &ActionLoader::createValueProperty},
    {"NumericValue", "Values", &ActionLoader::createNumericValueProperty,
     &ActionLoader::createNumericValueProperty},
    {"CheckBox", "Values", &ActionLoader::createCheckBoxProperty,
     &ActionLoader::createCheckBoxProperty},
    {"ComboBox", "Values", &ActionLoader::createComboBoxProperty,
     &ActionLoader::createComboBoxProperty},
    {"MapAndValueSelect", "Values", &ActionLoader::createMapAndValueSelectProperty,
     &ActionLoader::createMapAndValueSelectProperty},
    {"StepDuration", "Values", &ActionLoader::createStepDurationProperty,
     &ActionLoader::createStepDurationProperty},
    {"DeviceStatusChannel", "Values", &ActionLoader::createDeviceStatusChannelProperty,
     &ActionLoader::createDeviceStatusChannelProperty},
};

// The creator of an exact Type text; nullptr for another.
const Creator* creatorOf(const char* type) {
  for (const Creator& creator : kCreators)
    if (wideTextIs(type, creator.type)) return &creator;
  return nullptr;
}

}  // namespace

bool ActionLoader::statusChannelOf(const pugi::xml_node& option, const pugi::xml_node* valueOption,
                                   StatusChannelOption& channel) {
  // The options createProperty hands to createDeviceStatusChannelProperty.
  const decltype(Creator::withValues) statusChannel = &ActionLoader::createDeviceStatusChannelProperty;
  const Creator* creator = creatorOf(option.child_value("Type"));
  if (creator == nullptr || creator->withValues != statusChannel) return false;
  channel = readStatusChannel(
      option, (valueOption != nullptr ? *valueOption : option).child(creator->values));
  return true;
}

long long ActionLoader::createProperty(const std::wstring& actionName,
                                       const pugi::xml_node& option) {
  return createPropertyFor(kPropertyPrefix + actionName, option, nullptr);
}

long long ActionLoader::createProperty(const std::wstring& actionName,
                                       const pugi::xml_node& option,
                                       const pugi::xml_node& valueOption) {
  return createPropertyFor(kPropertyPrefix + actionName, option, &valueOption);
}

long long ActionLoader::createPropertyFor(const std::wstring& base, const pugi::xml_node& option,
                                          const pugi::xml_node* valueOption) {
  try {
    const Creator* creator = creatorOf(option.child_value("Type"));
    if (creator == nullptr) return -1;
    if (valueOption == nullptr) return (this->*creator->ownValues)(base, option);
    return (this->*creator->withValues)(base, option, valueOption->child(creator->values));
  } catch (const WorkspaceFullException&) {
    throw;  // every later element would be refused alike
  } catch (const WorkspaceException& e) {
    // The option yields no property; the action keeps its other options.
    WLOG(WARNING) << L"Action " << base.substr(kPropertyPrefix.size()) << L": option \""
                  << childText(option, "Name") << L"\" is left out: " << widened(e.twhat());
  }
  return -1;
}

template <class Element>
void ActionLoader::setHideControl(Element& element, const pugi::xml_node& option) {
  // The bench's displays read visibility; nobody listens for it.
  static_cast<workspace::SharedElement<Element>&>(element).set(
      prop::IS_VISIBLE, wideTextIs(option.child_value("HideControl"), "True") ? 0 : 1);
}

namespace {

// The steps every control shares: counted twice (the action and the display
// each hold it), visibility, short name.
template <class Element>
void finishControl(ActionLoader& loader, Element& element, const pugi::xml_node& option,
                   const std::wstring& name) {
  element.increaseReferenceCounter();
  element.increaseReferenceCounter();
  loader.setHideControl(element, option);
  element.set(prop::SHORT_NAME, name);
}

}  // namespace

long long ActionLoader::createChannelSelectProperty(const std::wstring& base,
                                                    const pugi::xml_node& option,
                                                    const pugi::xml_node& values) {
  const std::wstring name = childText(option, "Name");
  const char* category = option.child_value("ParentCategory");
  const bool activate = wideTextIs(option.child_value("ActivateSwitch"), "True");
  workspace::ChannelSelector selector(base + name);
  finishControl(*this, selector, option, name);

  if (activate) selector.set(workspace::channel_selector::ACTIVATE_SWITCH, 1);
  const pugi::xml_node selectOption = option.child("TypeProperties").child("ChSelectOption");
  if (wideTextIs(selectOption.child_value("ActivateSwitch"), "True"))
    selector.set(workspace::channel_selector::ACTIVATE_SWITCH, 1);
  selector.set(workspace::channel_selector::PARENT_CATEGORY, categoryCode(category));

  for (const pugi::xml_node& value : values.children("Value")) {
    const std::wstring parameter = wideText(value.child_value());
    try {
      const long long handle = workspace->getElement(parameter, kParameterArea);
      const boost::shared_ptr<workspace::Parameter> it =
          create_shared<workspace::Parameter>(handle);
      selector.addParameter(it);
      it->increaseReferenceCounter();
    } catch (const WorkspaceFullException&) {
      throw;  // the list of parameters cannot grow: no later element would fit either
    } catch (const WorkspaceException& e) {
      WLOG(WARNING) << L"Error adding parameter reference " << parameter
                    << L" to Channel select element " << base + name << L" " << widened(e.twhat());
    }
  }
  return handleOf(selector);
}

long long ActionLoader::createChannelSelectProperty(const std::wstring& base,
                                                    const pugi::xml_node& option) {
  return createChannelSelectProperty(base, option, option.child("Values"));
}

long long ActionLoader::createChannelTableProperty(const std::wstring& base,
                                                   const pugi::xml_node& option,
                                                   const pugi::xml_node& values) {
  const std::wstring name = childText(option, "Name");
  const char* category = option.child_value("ParentCategory");
  const pugi::xml_node tableOption = option.child("TypeProperties").child("ChTableSelectOption");

  // Column 0 is the parameter column, named like the option; a ComboBox
  // column shows the Display text of the item its cell numbers.
  std::vector<std::wstring> columnNames{name};
  std::vector<std::vector<std::wstring>> displays{{}};
  for (const pugi::xml_node& column : tableOption.child("Columns").children("Column")) {
    columnNames.push_back(childText(column, "Name"));
    std::vector<std::wstring> display;
    if (wideTextIs(column.child_value("Type"), "ComboBox")) {
      for (const pugi::xml_node& item : column.child("ComboBoxOption").children("ComboBoxItem"))
        display.push_back(childText(item, "Display"));
    }
    displays.push_back(std::move(display));
  }

  int rows = 0;
  for (pugi::xml_node row = values.child("Row"); row; row = row.next_sibling("Row")) ++rows;
  int columns = 0;
  for (const pugi::xml_node& value : values.child("Row").children("Value")) {
    (void)value;
    ++columns;
  }
  workspace::PropertyTable table(base + name, rows, columns);
  finishControl(*this, table, option, name);

  if (wideTextIs(tableOption.child_value("ActivateSwitch"), "True"))
    table.set(workspace::property_table::ACTIVATE_SWITCH, 1);
  const int code = categoryCode(category);
  if (code != 0) table.set(workspace::property_table::PARENT_CATEGORY, code);

  int r = 0;
  for (const pugi::xml_node& row : values.children("Row")) {
    int c = 0;
    for (const pugi::xml_node& value : row.children("Value")) {
      // A cell without a column name has no column to stand in.
      if (static_cast<size_t>(c) >= columnNames.size()) break;
      const std::wstring text = wideText(value.child_value());
      if (r == 0) table.set_colum_name(c, columnNames[c]);
      if (c == 0) {
        try {
          table.set_parameter(r, workspace->getElement(text, kParameterArea));
        } catch (const WorkspaceException& e) {
          WLOG(WARNING) << L"Error adding parameter reference " << text
                        << L" to Channel select element " << base + name << L": " << widened(e.twhat());
        }
      } else if (displays[c].empty()) {
        table.set_item(r, c, text);
      } else {
        const int number = integerOr(text, 0);
        const bool listed = number >= 0 && static_cast<size_t>(number) < displays[c].size();
        table.set_item(r, c, listed ? displays[c][number] : std::wstring());
      }
      ++c;
    }
    ++r;
  }
  return handleOf(table);
}

long long ActionLoader::createChannelTableProperty(const std::wstring& base,
                                                   const pugi::xml_node& option) {
  return createChannelTableProperty(base, option, option.child("ValueColumns"));
}

long long ActionLoader::createValueProperty(const std::wstring& base, const pugi::xml_node& option,
                                            const pugi::xml_node& values) {
  const std::wstring name = childText(option, "Name");
  workspace::StringValue element(base + name);
  finishControl(*this, element, option, name);
  std::wstring value = firstValue(values);
  // The limit counts the 16-bit units the value is stored in; a character
  // above U+FFFF takes two and is never cut in half.
  if (workspace::utf16Length(value) > kValueOptionLimit) {
    value.resize(workspace::charactersWithinUtf16Units(value, kValueOptionLimit));
    LOG(WARNING) << "The Content of a ValueOption is limited to 1024 characters. Shrink value "
                    "to fit this limit";
  }
  element.set(workspace::string_value::VALUE, value);
  return handleOf(element);
}

long long ActionLoader::createValueProperty(const std::wstring& base,
                                            const pugi::xml_node& option) {
  return createValueProperty(base, option, option.child("Values"));
}

long long ActionLoader::createNumericValueProperty(const std::wstring& base,
                                                   const pugi::xml_node& option,
                                                   const pugi::xml_node& values) {
  const std::wstring name = childText(option, "Name");
  workspace::NumericValue element(base + name);
  finishControl(*this, element, option, name);
  element.set(workspace::numeric_value::VALUE, firstValue(values));
  return handleOf(element);
}

long long ActionLoader::createNumericValueProperty(const std::wstring& base,
                                                   const pugi::xml_node& option) {
  return createNumericValueProperty(base, option, option.child("Values"));
}

long long ActionLoader::createCheckBoxProperty(const std::wstring& base,
                                               const pugi::xml_node& option,
                                               const pugi::xml_node& values) {
  const std::wstring name = childText(option, "Name");
  workspace::Checkbox element(base + name);
  finishControl(*this, element, option, name);
  const bool ticked = wideTextIs(values.child_value("Value"), "True");
  element.set(workspace::checkbox::SELECTED, ticked ? 1 : 0);
  return handleOf(element);
}

long long ActionLoader::createCheckBoxProperty(const std::wstring& base,
                                               const pugi::xml_node& option) {
  return createCheckBoxProperty(base, option, option.child("Values"));
}

long long ActionLoader::createComboBoxProperty(const std::wstring& base,
                                               const pugi::xml_node& option,
                                               const pugi::xml_node& values) {
  const std::wstring name = childText(option, "Name");
  workspace::ComboboxElement element(base + name);
  finishControl(*this, element, option, name);

  std::map<int, std::wstring> items;
  for (const pugi::xml_node& item :
       option.child("TypeProperties").child("ComboBoxOption").children("ComboBoxItem"))
    items[integerOr(childText(item, "Value"), -1)] = childText(item, "Display");
  const int selected = integerOr(firstValue(values), -1);
  const auto found = items.find(selected);
  element.set(workspace::combobox::SELECTED_VALUE, found == items.end() ? std::wstring() : found->second);
  element.set(workspace::combobox::SELECTED_INDEX, selected);
  return handleOf(element);
}

long long ActionLoader::createComboBoxProperty(const std::wstring& base,
                                               const pugi::xml_node& option) {
  return createComboBoxProperty(base, option, option.child("Values"));
}

ActionLoader::ValueKind ActionLoader::kindOfValue(const std::wstring& value, bool dashes) const {
  if (isWholeNumber(value)) return ValueKind::Number;
  if (startsWith(value, kMapPrefix)) return ValueKind::Map;
  if (startsWith(value, kFormulaPrefix)) return ValueKind::Formula;
  if (dashes && startsWith(value, kDashesPrefix)) return ValueKind::Dashes;
  return ValueKind::Other;
}

long long ActionLoader::createSelectedValueProperty(const std::wstring& base,
                                                    const pugi::xml_node& option,
                                                    const std::wstring& value,
                                                    bool stepDuration) {
  const std::wstring name = childText(option, "Name");
  switch (kindOfValue(value, stepDuration)) {
    case ValueKind::Number: {
      workspace::NumericValue element(base + name);
      finishControl(*this, element, option, name);
      element.set(workspace::numeric_value::VALUE, value);
      return handleOf(element);
    }
    case ValueKind::Formula:
      return createFormulaResultProperty(base, name);
    case ValueKind::Dashes: {
      workspace::StringValue element(base + name);
      // No visibility is written here: a text option of an earlier load
      // under this name must not leave its own behind.
      workspace->setItem(element.getHandle() + prop::IS_VISIBLE, 0);
      element.set(workspace::string_value::VALUE, value);
      element.set(prop::SHORT_NAME, name);
      return handleOf(element);
    }
    case ValueKind::Other:
      // A step duration takes numbers, maps, formulas and "---" only.
      if (stepDuration) return -1;
      break;
    case ValueKind::Map:
      break;
  }
  // The map loader fills the map created under the same name.
  const std::wstring mapName = base + name + L"_action_property";
  workspace::PropertyMap map(mapName, 0, 0);
  freshenOptionMap(mapLoader, map, mapName);
  map.set(prop::SHORT_NAME, name);
  return handleOf(map);
}

long long ActionLoader::createFormulaResultProperty(const std::wstring& base,
                                                    const std::wstring& name) {
  const std::wstring elementName = base + name + L"_action_property";
  workspace::FormulaResult result(elementName);
  appendFormulaUses(elementName, base + name);
  result.set(prop::SHORT_NAME, name);
  return handleOf(result);
}

void ActionLoader::appendFormulaUses(const std::wstring& elementName, const std::wstring& target) {
  if (formuaLoader == nullptr || formulaUses == nullptr) return;
  const std::vector<size_t>& records = formuaLoader->find_formulas(elementName);
  if (records.empty()) return;
  std::wstring variable = target;
  for (wchar_t& c : variable) {
    if (c == L' ') c = L'_';
    if (c == L'-') c = L'0';
  }
  // The formula loader's special characters, so that a use's setter names its
  // target as the hook file does.
  const std::wstring setter = formuaLoader->replaceSpecialCharacters(variable) + L".set_result(";
  for (const size_t at : records) {
    const FormulaEntry& record = formuaLoader->get_formulas()[at];
    FormulaEntry use;
    use.expression = record.expression;
    use.setter = setter;
    use.variable = variable;
    use.target = target;
    use.this_parameter = record.this_parameter;
    use.parameter_bound = record.parameter_bound;
    use.action_property_bound = true;
    use.use_min_max = record.use_min_max;
    use.min = record.min;
    use.max = record.max;
    formulaUses->push_back(std::move(use));
  }
}

long long ActionLoader::createMapAndValueSelectProperty(const std::wstring& base,
                                                        const pugi::xml_node& option,
                                                        const pugi::xml_node& values) {
  return createSelectedValueProperty(base, option, childText(values, "Value"), false);
}

long long ActionLoader::createMapAndValueSelectProperty(const std::wstring& base,
                                                        const pugi::xml_node& option) {
  return createMapAndValueSelectProperty(base, option, option.child("Values"));
}

long long ActionLoader::createStepDurationProperty(const std::wstring& base,
                                                   const pugi::xml_node& option,
                                                   const pugi::xml_node& values) {
  return createSelectedValueProperty(base, option, firstValue(values), true);
}

long long ActionLoader::createStepDurationProperty(const std::wstring& base,
                                                   const pugi::xml_node& option) {
  return createStepDurationProperty(base, option, option.child("Values"));
}

long long ActionLoader::createDeviceStatusChannelProperty(const std::wstring& base,
                                                          const pugi::xml_node& option,
                                                          const pugi::xml_node& values) {
  const StatusChannelOption read = readStatusChannel(option, values);

  workspace::Parameter parameter(read.status);
  parameter.increaseReferenceCounter();
  parameter.activate();
  parameter.set(workspace::parameter::Get_DeviceName, read.device);
  parameter.set(workspace::parameter::Get_Type, kStatusParameterGetType);
  if (!read.value.empty()) parameter.set(workspace::parameter::Get_ChannelName, read.value);

  workspace::DeviceStatusChannel channel(base + read.name);
  channel.increaseReferenceCounter();
  channel.increaseReferenceCounter();
  channel.set(prop::SHORT_NAME, read.name);
  channel.set(workspace::device_status_channel::SELECTED_VALUE, read.value);
  channel.set(workspace::device_status_channel::STATUSPARAMETER_NAME, read.status);
  channel.set(workspace::device_status_channel::DEVICE_NAME, read.device);
  channel.set(workspace::device_status_channel::PARAMETER_HANDLE, parameter.getHandle());
  return handleOf(channel);
}

long long ActionLoader::createDeviceStatusChannelProperty(const std::wstring& base,
                                                          const pugi::xml_node& option) {
  return createDeviceStatusChannelProperty(base, option, option.child("Values"));
}

// The controls whose visibility an option sets.
template void ActionLoader::setHideControl(workspace::ChannelSelector&, const pugi::xml_node&);
template void ActionLoader::setHideControl(workspace::PropertyTable&, const pugi::xml_node&);
template void ActionLoader::setHideControl(workspace::StringValue&, const pugi::xml_node&);
template void ActionLoader::setHideControl(workspace::NumericValue&, const pugi::xml_node&);
template void ActionLoader::setHideControl(workspace::Checkbox&, const pugi::xml_node&);
template void ActionLoader::setHideControl(workspace::ComboboxElement&, const pugi::xml_node&);

}  // namespace tavik
