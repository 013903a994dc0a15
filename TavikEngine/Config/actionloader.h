// Actions of sequences and action groups, with their option properties, as
// workspace elements.
//
// ActionLoaderBase resolves an element name to the action that a link or a
// start reference points at. ActionLoader turns one "Action" node into one
// SharedAction: createAction for an action placed directly in a sequence,
// createGroupAction for an action of an action group, whose option values
// come from the group's data node.
//
// An action (full name = owner prefix + "/" + its "Name") gets these items,
// read from the node's children (a missing child reads as empty text):
//   552 Name, 1056 ActionModule, 2064 Version, 3648 X, 3664 Y,
//   3680 Width and 3696 Height (empty: "-1" from createAction, "0" from
//   createGroupAction), 3984 Color (empty: "0"),
//   3712 := 1 only when ParallelActionFlag is "True", 3784 := 1 only when
//   LoopActionFlag is "True", 3608 := UnusedActionFlag == "True" (createAction
//   only), 3888 kind (4 "PythonClassAction", 2 "Function based Python
//   Action", 1 "StatemachineAction", else 0; exact texts), 3920 sequence
//   handle, 3936 test-plan handle, 3992 := 0 (index of the first property),
//   3776 := SharedAction::get_parallel_interaction() once the properties
//   exist.
// The exit count given to the element is the number of NextActions/Action
// children. A non-empty Comment is stored in the chunk
// <full name>_lua_chunk (sized to the comment) whose handle goes to item
// 3616; createGroupAction also always makes <full name>_comment (1024
// characters), whose handle item 3616 holds unless a _lua_chunk replaces it.
//
// Loading over a workspace that holds an earlier load: the element classes'
// building steps that this loader calls (SharedAction(full name, exits),
// Chunk, ChannelSelector by name, PropertyTable) reset their element on every
// call, so the items above that are written only under a condition (3616,
// 3712, 3784, 3896, 3912, 3608 of a group action), the property slots, the
// exit ports, the chunk texts, a selector's parameters and 1064, and a
// table's cells, 1056 and 1064 hold what a load into an empty workspace gives;
// a "---" step duration's StringValue gets item 1048 := 0 likewise. An
// action, chunk or table whose new shape does not fit its element is remade
// under its name: the returned proxies and every handle written afterwards
// lead to the new copy.
//
// MaxLoop: when the action has a property named "MaxLoop" that is a
// NumericValue, its value truncated toward zero goes to item 3912 and item
// 3896 := 1. A value that is not a number (NaN, also an empty text) writes
// neither; a value outside the int range is clamped to it. Both cases log one
// WARNING naming the action and the value. Item 3776 reads a property named
// "ParallelInteraction" only when it is a Checkbox. A property of either name
// of another class (a Value option, a map, a formula) counts as absent, with
// a WARNING naming the action, the option and its class.
//
// Option properties: each "Options/Option" becomes one element of the class
// its "Type" names (see createProperty), named
//   "_prop_" + <action full name> + <option Name>           (controls)
//   "_prop_" + <action full name> + <option Name> + "_action_property"
//                                              (maps and formula results)
// and is registered with SharedAction::addActionProperty at the next index.
// An option that yields no element (an unknown Type, a value the creator does
// not take, a refusal of the workspace) adds nothing and takes no index.
//
// Exceptions: once the action element exists, a value the workspace refuses
// costs only its own item, chunk or option, with a WARNING naming the action,
// the item or option and the text or reason: an item is left empty (X, Y,
// Width, Height and Color that are no numbers, texts too long for their
// item), a comment chunk or an option (createProperty) is left out. The
// action is otherwise complete. Within channel selections and channel tables
// a parameter that cannot be resolved is a WARNING and the rest is still
// filled. Only a failure to create the element itself, a full workspace
// (WorkspaceFullException, at any step: every later element would be refused
// alike) and exceptions other than WorkspaceException reach the caller.
//
// Not thread-safe; runs on the loading thread.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <pugixml.hpp>

#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/LoaderBase.h"

namespace tavik {
namespace workspace {
class Workspace;
class SharedAction;
}  // namespace workspace

class MapLoader;

class ActionLoaderBase : public LoaderBase {
 public:
  ActionLoaderBase();
  virtual ~ActionLoaderBase();

  // The action that stands for the element `name` (looked up among actions
  // and action groups): for an action group its start action (item 1552,
  // not followed further when that is a group again), else the element
  // itself. A name the workspace does not hold gives an invalid proxy
  // (handle of 0 or below) without throwing; so does, while the register
  // below is open, an element the load did not build (and a group's start
  // action the load did not build).
  boost::shared_ptr<workspace::SharedAction> get_shared_action(const std::wstring& name);

 protected:
  // The register of the elements a load built (its sequences, actions and
  // action groups), so that nothing the load writes refers to an element
  // left from an earlier file: over a workspace holding anything, names
  // resolve as in a fresh load into an empty workspace. Between
  // openBuiltRegister and closeBuiltRegister (each empties it) the lookups
  // below let only recorded elements through; outside, every element.
  void openBuiltRegister();
  void closeBuiltRegister();
  // Records an element; true when the register did not hold it yet.
  bool recordBuilt(long long handle);
  // The handle when the register lets its element through, else 0 (a
  // handle below 1 is given back as it is).
  long long builtHandle(long long handle) const;
  // Workspace::getElementType(name, handle) through the register: an element
  // it does not let through gives -1 and handle 0, as an absent name does.
  int builtElementType(const std::wstring& name, long long& handle);
  // Every element the register holds.
  const std::unordered_set<long long>& builtElements() const { return built_; }
  // Called before the load builds `name` (sequences, actions and action
  // groups share one name area) as an element of class `classId`. An
  // element of another class under that name that the register does not
  // hold is left from an earlier file: it is made anew in the new class
  // (Workspace::remakeAsClass), so that the building call finds what it
  // would find in an empty workspace; a process holding the old handle is
  // told it was replaced, and its listeners hear nothing more. An element
  // this load built keeps its class, and the building call refuses the
  // name as it would in an empty workspace. Nothing happens while the
  // register is closed. WorkspaceException (WorkspaceFullException) when
  // the element cannot be made anew.
  void claimName(const std::wstring& name, int classId);

  boost::shared_ptr<workspace::Workspace> workspace;

 private:
  bool registerOpen_ = false;
  std::unordered_set<long long> built_;
};

class ActionLoader : public ActionLoaderBase {
 public:
  // What an action group's actions share: filled by the group loader.
  struct GroupActionContext {
    long long sequenceHandle = 0;
    long long testplanHandle = -1;
    std::wstring namePrefix;  // prefix of the full names of the group's actions
  };

  ActionLoader();
  ~ActionLoader() override;

  // The formula loader whose records "Formula:" options look up, and the
  // list their formula uses are appended to. Neither is owned; until this is
  // called a "Formula:" option still makes its element but no use.
  void setFormuaLoader(FormuaLoader* loader, std::vector<FormulaEntry>* uses);
  // The map loader of the same load (not owned): a "Map:" or other map
  // option whose map it did not build gets a map as a new one holds it (see
  // freshenOptionMap). Until this is called such a map is left as it is.
  void setMapLoader(const MapLoader* maps);

  // An action of a sequence body; fullName receives prefix + "/" + Name.
  boost::shared_ptr<workspace::SharedAction> createAction(const std::wstring& prefix,
                                                          const pugi::xml_node& action,
                                                          long long sequenceHandle,
                                                          long long testplanHandle,
                                                          std::wstring& fullName);
  // An action of an action group; its option values are looked up in
  // groupData's "Options/Option" by the option's Name. fullName receives
  // context.namePrefix + "/" + Name.
  boost::shared_ptr<workspace::SharedAction> createGroupAction(const GroupActionContext& context,
                                                               const pugi::xml_node& action,
                                                               const pugi::xml_node& groupData,
                                                               std::wstring& fullName);

  // One property per option, registered from the index in item 3992 on.
  void createActionProperties(boost::shared_ptr<workspace::SharedAction> action,
                              pugi::xml_node options);
  // The same with the values of each option taken from the first Option of
  // groupData's "Options" that has a Name with exactly the option's Name
  // (text compared literally; none found: no values).
  void createGroupActionProperties(boost::shared_ptr<workspace::SharedAction> action,
                                   pugi::xml_node options, pugi::xml_node groupData);

  // The element of one option, by its exact "Type" text:
  //   "ChSelect", "ChResetSelect"  ChannelSelector      values "Values"
  //   "ChTableSelect"              PropertyTable        values "ValueColumns"
  //   "Value", "FileSelect"        StringValue          values "Values"
  //   "NumericValue"               NumericValue         values "Values"
  //   "CheckBox"                   Checkbox             values "Values"
  //   "ComboBox"                   ComboboxElement      values "Values"
  //   "MapAndValueSelect"          see createMapAndValueSelectProperty
  //   "StepDuration"               see createStepDurationProperty
  //   "DeviceStatusChannel"        DeviceStatusChannel  values "Values"
  // The values node is that child of the option (first form) or of
  // valueOption (second form). Returns the element's handle; -1 for another
  // Type (nothing logged), and -1 with a WARNING naming the action, the
  // option and the reason when the workspace refuses the element or one of
  // its items (a name, text or table that does not fit). A full workspace
  // (WorkspaceFullException) reaches the caller.
  long long createProperty(const std::wstring& actionName, const pugi::xml_node& option);
  long long createProperty(const std::wstring& actionName, const pugi::xml_node& option,
                           const pugi::xml_node& valueOption);

  // Visibility of a control element (item 1048, written without notifying):
  // 0 when the option's HideControl is exactly "True", else 1. For
  // ChannelSelector, PropertyTable, StringValue, NumericValue, Checkbox and
  // ComboboxElement.
  template <class Element>
  void setHideControl(Element& element, const pugi::xml_node& option);

  // The creators; `base` is "_prop_" + the action's full name. Each returns
  // the handle of the element it made, or -1. The forms without `values`
  // take the option's own "Values" ("ValueColumns" for the channel table).
  //
  // Controls (named base + Name): reference count raised twice, visibility
  // set, item 544 := Name.
  //  - ChannelSelector: 1064 := 1 when the option's or its
  //    TypeProperties/ChSelectOption's ActivateSwitch is "True"; 1056 :=
  //    ParentCategory code (1 "Set", 3 "Option", 2 "Limit", else 0); each
  //    Value names a parameter added with addParameter (a parameter that
  //    cannot be found: WARNING "Error adding parameter reference <p> to
  //    Channel select element <e> <reason>").
  //  - PropertyTable of Row x (Values of the first Row): column names are the
  //    option's Name, then the Names of TypeProperties/ChTableSelectOption/
  //    Columns/Column; column 0 of each row names a parameter (unresolved:
  //    the WARNING above with ": " before the reason), other cells are
  //    texts, or for a ComboBox column the Display of the item at the cell's
  //    number (empty when out of the list). Cells beyond the column names
  //    are skipped. 1064 from the table option's ActivateSwitch; 1056 :=
  //    ParentCategory code, nothing for another category.
  //  - StringValue: 1056 := the first Value, cut to 1024 characters with one
  //    WARNING "The Content of a ValueOption is limited to 1024 characters.
  //    Shrink value to fit this limit".
  //  - NumericValue: 1056 := the first Value's text.
  //  - Checkbox: 1056 := first Value == "True".
  //  - ComboboxElement: 1560 := first Value as integer (-1 when not one),
  //    1056 := Display of the TypeProperties/ComboBoxOption/ComboBoxItem
  //    with that Value (the last such item; empty when none).
  //  - DeviceStatusChannel (no visibility): the parameter named by
  //    TypeProperties/DeviceStatusChannelOption/StatusParameter is opened
  //    (created when absent), activated, and gets 10676 := Device, 704 := 2,
  //    10420 := the first Value when not empty; the channel gets 544 := Name,
  //    1056 := value, 1560 := status parameter name, 2064 := Device, 2568 :=
  //    the parameter's handle.
  long long createChannelSelectProperty(const std::wstring& base, const pugi::xml_node& option,
                                        const pugi::xml_node& values);
  long long createChannelSelectProperty(const std::wstring& base, const pugi::xml_node& option);
  long long createChannelTableProperty(const std::wstring& base, const pugi::xml_node& option,
                                       const pugi::xml_node& values);
  long long createChannelTableProperty(const std::wstring& base, const pugi::xml_node& option);
  long long createValueProperty(const std::wstring& base, const pugi::xml_node& option,
                                const pugi::xml_node& values);
  long long createValueProperty(const std::wstring& base, const pugi::xml_node& option);
  long long createNumericValueProperty(const std::wstring& base, const pugi::xml_node& option,
                                       const pugi::xml_node& values);
  long long createNumericValueProperty(const std::wstring& base, const pugi::xml_node& option);
  long long createCheckBoxProperty(const std::wstring& base, const pugi::xml_node& option,
                                   const pugi::xml_node& values);
  long long createCheckBoxProperty(const std::wstring& base, const pugi::xml_node& option);
  long long createComboBoxProperty(const std::wstring& base, const pugi::xml_node& option,
                                   const pugi::xml_node& values);
  long long createComboBoxProperty(const std::wstring& base, const pugi::xml_node& option);
  // By the text of the values' Value: a number (as wcstod reads it, the whole
  // text; blanks in front allowed; empty counts) gives a NumericValue
  // control; "Formula:..." a FormulaResult named ..._action_property, with
  // one formula use per formula record of that name; "Map:..." and any other
  // text a PropertyMap(..._action_property, 0, 0) as the map loader makes
  // it. Maps and formula results get item 544 := Name only.
  long long createMapAndValueSelectProperty(const std::wstring& base,
                                            const pugi::xml_node& option,
                                            const pugi::xml_node& values);
  long long createMapAndValueSelectProperty(const std::wstring& base,
                                            const pugi::xml_node& option);
  // As createMapAndValueSelectProperty for numbers, "Map:" and "Formula:";
  // "---..." gives a StringValue base + Name holding the text (544 := Name,
  // no reference count, no visibility); any other text gives -1.
  long long createStepDurationProperty(const std::wstring& base, const pugi::xml_node& option,
                                       const pugi::xml_node& values);
  long long createStepDurationProperty(const std::wstring& base, const pugi::xml_node& option);
  long long createDeviceStatusChannelProperty(const std::wstring& base,
                                              const pugi::xml_node& option,
                                              const pugi::xml_node& values);
  long long createDeviceStatusChannelProperty(const std::wstring& base,
                                              const pugi::xml_node& option);

  // What a DeviceStatusChannel option gives its status parameter: the
  // parameter named `status` gets Get_DeviceName := device, Get_Type := 2
  // and, when `value` is not empty, Get_ChannelName := value.
  struct StatusChannelOption {
    std::wstring name;    // the option's Name
    std::wstring device;  // TypeProperties/DeviceStatusChannelOption/Device
    std::wstring status;  // TypeProperties/DeviceStatusChannelOption/StatusParameter
    std::wstring value;   // the first Value of its values
  };
  static constexpr int kStatusParameterGetType = 2;
  // The status channel of `option` when its Type is "DeviceStatusChannel",
  // read as createProperty reads it: the values are those of `valueOption`
  // (an action in a group: its data Option, maybe empty) or, when it is
  // null, the option's own. False for an option of another Type.
  static bool statusChannelOf(const pugi::xml_node& option, const pugi::xml_node* valueOption,
                              StatusChannelOption& channel);

 private:
  // The properties of an action whose full name is `fullName` (the name
  // its element was opened with).
  void addProperties(workspace::SharedAction& action, const std::wstring& fullName,
                     const pugi::xml_node& options, const pugi::xml_node* groupData);
  // createProperty with the names' base "_prop_" + action name given; the
  // values from the option itself when valueOption is null.
  long long createPropertyFor(const std::wstring& base, const pugi::xml_node& option,
                              const pugi::xml_node* valueOption);
  // `item` := the field's text, or `ifEmpty` (when given) for an empty text.
  // A text the item refuses (too long, no number where one belongs) leaves
  // the item empty, with a WARNING naming the action `fullName`, the item and
  // the text.
  void setText(workspace::SharedAction& action, const std::wstring& fullName, unsigned int item,
               const pugi::xml_node& field, const wchar_t* ifEmpty);
  // The action's property named `name` (the first, by slot) when it is an
  // element of type `elementType`; a property of another class counts as
  // absent (-1), with a WARNING naming the action, the option and both
  // classes. 0 or below when there is none.
  long long propertyOfClass(const workspace::SharedAction& action, const std::wstring& fullName,
                            const wchar_t* name, int elementType) const;

  enum class ValueKind { Number, Map, Formula, Dashes, Other };
  ValueKind kindOfValue(const std::wstring& value, bool dashes) const;
  // The element for a "MapAndValueSelect" or "StepDuration" value.
  long long createSelectedValueProperty(const std::wstring& base, const pugi::xml_node& option,
                                        const std::wstring& value, bool stepDuration);
  long long createFormulaResultProperty(const std::wstring& base, const std::wstring& name);
  // Appends the uses of the formula records named `elementName`.
  void appendFormulaUses(const std::wstring& elementName, const std::wstring& target);
  // Items 3776 and, for a MaxLoop property, 3896 and 3912.
  void finishAction(workspace::SharedAction& action, const std::wstring& fullName);

  boost::shared_ptr<workspace::Workspace> workspace;
  FormuaLoader* formuaLoader = nullptr;
  std::vector<FormulaEntry>* formulaUses = nullptr;
  const MapLoader* mapLoader = nullptr;
  // The text of the item being written; reused from item to item.
  std::wstring text_;
};

}  // namespace tavik
