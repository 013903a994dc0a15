// Turns the Parameters section of a configuration into workspace parameters.
//
// Configuration shape (element texts only):
//   MeasurementDefinition/Parameters/ParameterType   (any number)
//     Category    the category path, e.g. "SetParameter"
//     Parameter   (any number): Name plus one element per property
// The first ParameterType whose Category text equals a category path holds
// that category's parameters. load() walks five categories in this order,
// with the category type written to item Category_Type and the log flags
// added to every parameter:
//   "SetParameter"    type 2, bits 7, 8, 10, 13, 16   (then set-name links)
//   "OperatingPoint"  type 1, bits 8, 10, activated
//   "Measurement"     type 3, bits 8, 13, 16
//   "InternalVar"     type 4, bit 10
//   "Invisible"       type 5, bits 7, 8
//
// Channel mapping: when the user directory holds
// "Settings/MA/channel_mapping.aka" (INI form, UTF-8), every non-empty value
// of a property whose name contains "ChannelName" is looked up in it and
// replaced by its alias. Once read, the mapping stays for the loader's life.
//
// A name defined twice (in one category or in two): every definition is
// applied, in load order, to the one parameter, and each one after the first
// logs a WARNING "Parameter <name> is defined more than once; the definition
// in <category> is applied over the earlier one". A later definition wins for
// the properties it names (a map binding or formula use that this load gave
// such a property before is dropped, as it is when one definition names a
// property twice); what only an earlier one set stays. The log flags of all
// its categories add up, and Category_Type is the last one's. The composite
// texts are split once: a later definition that does not name
// Set_DeviceName or Get_DeviceName derives the suffix and full channel name
// from the text as this load wrote it, not from its already split head. The
// reload check compares each channel item with the last write of a load in
// load order.
//
// Progress: while a category loads, GlobalConfig's status text reads
// "Step 2/4: Loading Parameters: <category>", progress total the number of its
// parameters and progress current the number started. An abort request
// (GlobalConfig AbortRequest > 0) seen before a parameter ends the load with
// tavik::LoadAbortedException.
//
// Not thread-safe; runs on the caller's thread.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include <boost/property_tree/ptree.hpp>
#include <boost/shared_ptr.hpp>
#include <pugixml.hpp>

#include "TavikEngine/Config/Export.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/LoaderBase.h"
#include "TavikEngine/Config/XmlText.h"
#include "workspace/ElementItems.h"

namespace tavik {
namespace workspace {
class Parameter;
}
class ChannelWrites;

class TAVIK_EXPORT ParameterLoader : public LoaderBase {
 public:
  static const std::wstring SET_PARAMETER_PATH;              // "SetParameter"
  static const std::wstring OPERATING_POINT_PARAMETER_PATH;  // "OperatingPoint"
  static const std::wstring MEASUREMENT_PARAMETER_PATH;      // "Measurement"
  static const std::wstring INTERNAL_PARAMETER_PATH;         // "InternalVar"
  static const std::wstring INVISIBLE_PARAMETER_PATH;        // "Invisible"

  // Reads "ECU_SWITCH_ON" (1.0), "ECU_SWITCH_OFF" (0.0),
  // "initialize_demand_values_0" (0) and "transfer_inactive_parameters" (0)
  // from IniReader::get_instance(true).
  ParameterLoader();
  ~ParameterLoader();

  // The formula loader consulted for "Formula:" values; it receives the
  // formula uses at the end of load(). Not owned. Without one, "Formula:"
  // values find no formula and no use is handed on.
  void setFormuaLoader(FormuaLoader* formulaLoader);

  // Loads all five categories of measurementDefinition. A parameter keeps
  // its items across loads; a parameter this configuration defines has no
  // map binding but those of its definitions. Every other parameter of the
  // workspace (an earlier configuration's, another process's, a device's)
  // keeps its bindings, and every parameter gets the same-set-name links
  // that manage_set_names draws over the whole workspace. Throws
  // ConfigException for a Parameter named "NN", LoadAbortedException on an
  // abort request; workspace failures (WorkspaceException) pass through. What was
  // loaded before a throw stays in the workspace.
  void load(pugi::xml_node* measurementDefinition);

  // Loads one category; returns its number of Parameter elements.
  // Precondition: type is not 0.
  long long loadParameterTree(const std::wstring& category, bool activate,
                              workspace::parameter::TParameterType type);

  // The Parameter elements of the first ParameterType whose Category text is
  // `category` (compared as a literal: quotes and brackets are just
  // characters); empty when there is none.
  pugi::xml_object_range<pugi::xml_named_node_iterator> getParameterIterator(
      const std::wstring& category) const;

  // The workspace parameter named by the element's Name (created when
  // absent; its reference count raised once), with every child element
  // stored as a property (Name as "ParameterName") and no map bindings but
  // those of its "Map:" values. Throws ConfigException
  // "Error parsing parameter. ParameterName is missing in config" for the
  // Name "NN".
  boost::shared_ptr<workspace::Parameter> parseParameter(const pugi::xml_node& parameter);

  // Replaces name by its alias when the channel mapping is active and holds
  // one: the name is a path with "." as separator ("Key" outside any
  // section or a section name, "Section.Key" inside one). Never throws.
  void get_alias_name(std::wstring& name);

  // Links every pair of workspace parameters (all of them, whichever
  // configuration or process made them) whose Set_ChannelName and
  // Set_DeviceName (compared as 8-bit text) are equal and not empty: each
  // gets the other through add_same_setname_parameter. Each parameter's
  // list is made to hold exactly its partners, in workspace order: a list
  // that holds them already is not written, any other is emptied and filled
  // anew, so a link to a parameter that no longer shares the channel goes
  // and a load of the same file again neither repeats nor drops a link.
  void manage_set_names() const;

  // True when the last load() created at least one operating-point parameter.
  bool hasOperatingPointParameters();

  // Stores one property: a plain value by name, "Map:<map>" as a map binding,
  // "Formula:<formula>" as a formula use (see ParameterProperties.cpp).
  void setProperty(boost::shared_ptr<workspace::Parameter> parameter, const std::wstring& property,
                   const std::wstring& value);

  // Derives the items that follow from the stored properties: the ";"
  // splits, the full channel names, the request parameter, the ECU switch
  // values and the type texts.
  void parse_loaded_parameter(boost::shared_ptr<workspace::Parameter> parameter);

  // True when a load of measurementDefinition would leave every configured
  // parameter's channel names and channel types as the workspace holds them.
  // For each of Set_ChannelName, Get_ChannelName, Set_Type and Get_Type the
  // expected value is the last one that a load of the file writes into it
  // (ChannelWrites.h): the parameter's definitions in load order, with the
  // channel mapping (the file's, read as load() reads it, or, when it is
  // missing or malformed, the one a load would keep), and whatever else of
  // the parameter phase writes the item; an item that nothing writes is not
  // compared. A difference logs one UA_WARNING line. Any other failure
  // throws ConfigException carrying its message. Writes nothing to the
  // workspace, logs nothing else and leaves the loader's mapping as it was.
  bool check_reload(pugi::xml_node* measurementDefinition);
  // The same with the writes of the phases a load runs before the
  // parameters (`before`, recorded first) and after them (`after`); either
  // may be empty. Their failures are reported as any other.
  using PhaseWrites = std::function<void(ChannelWrites&)>;
  bool check_reload(pugi::xml_node* measurementDefinition, const PhaseWrites& before,
                    const PhaseWrites& after);

  // Compares one category with what the parameter definitions alone write,
  // channel names mapped through the loader's current mapping; throws
  // ReloadException at the first difference.
  void checkReloadParameterTree(const std::wstring& category);

 private:
  // The category paths in the order load() loads them.
  static const std::wstring* const CATEGORY_LOAD_ORDER[5];

  // How storeProperty takes a value: "Map:<map>" binds a map, "Formula:<name>"
  // a formula, anything else is stored as text.
  enum class ValueForm { Plain, Map, Formula };
  static ValueForm formOf(const std::wstring& value);

  // Calls store(property, value) for each child element of a Parameter
  // element, in document order, as parseParameter stores them: the element
  // Name as "ParameterName", and a non-empty value of a property whose name
  // holds "ChannelName" passed through alias(value) first. The texts are
  // the loader's buffers, valid until the next call.
  template <class Alias, class Store>
  void forEachDefinedProperty(const pugi::xml_node& element, Alias&& alias, Store&& store) {
    static const std::wstring kParameterName = L"ParameterName";
    std::wstring& value = value_buffer_;
    std::wstring& property = property_buffer_;
    for (const pugi::xml_node& child : element.children()) {
      if (child.type() != pugi::node_element) continue;
      assignWideText(value, child.text().get());
      assignWideText(property, child.name());
      if (property.find(L"ChannelName") != std::wstring::npos && !value.empty()) alias(value);
      store(property == L"Name" ? kParameterName : property, value);
    }
  }

  // Records what the parameter phase of a load of the current parameters
  // node writes into the compared items, channel names mapped through
  // `mapping` (none when null): every definition in load order, and the
  // request parameters they make.
  void recordDefinitionWrites(ChannelWrites& writes, const boost::property_tree::wptree* mapping,
                              const pugi::xml_node& measurementDefinition);

  // Compares one category with `writes`; throws ReloadException at the
  // first difference.
  void checkReloadParameterTree(const std::wstring& category, const ChannelWrites& writes);

  // What this load did to one parameter that a later definition of its name
  // builds on.
  struct Definition {
    // A property that this load bound to a map, or gave a formula use (the
    // use's place in the list of its kind).
    struct Binding {
      std::wstring property;
      bool map;
      bool this_parameter;
      std::size_t use;
    };
    std::vector<Binding> bindings;
    // The composite texts as the definitions wrote them, before the split.
    std::wstring set_composite;
    std::wstring get_composite;
    // Whether the definition being parsed wrote them.
    bool wrote_set_composite = false;
    bool wrote_get_composite = false;
  };

  // parseParameter for an element whose Name text is `name`; `repeated`
  // when an earlier definition of this load made the parameter.
  boost::shared_ptr<workspace::Parameter> parseParameter(const pugi::xml_node& parameter,
                                                         const std::wstring& name,
                                                         Definition& definition, bool repeated);

  // setProperty without the shared pointer's copy; tells what it stored.
  enum class Stored { Plain, Map, ParameterUse, ThisParameterUse, Nothing };
  Stored storeProperty(workspace::Parameter& parameter, const std::wstring& property,
                       const std::wstring& value);
  // storeProperty, first dropping what this load bound to the property
  // before, and noting what it binds now.
  void storeDefinedProperty(workspace::Parameter& parameter, Definition& definition,
                            const std::wstring& property, const std::wstring& value);

  // parse_loaded_parameter with the composite texts to split given.
  void deriveItems(workspace::Parameter& parameter, const std::wstring& set_composite,
                   const std::wstring& get_composite);

  // Reads the channel-mapping file of the user directory into the mapping;
  // false, with the mapping unchanged, when it is missing or malformed.
  bool readChannelMapping();

  // The channel-mapping file of the user directory read into `mapping`;
  // false, with `mapping` unchanged, when it is missing or malformed.
  static bool readChannelMappingFile(boost::property_tree::wptree& mapping);

  // The alias of a channel name in `mapping`, or null when it holds none
  // (see get_alias_name). Never throws.
  static const std::wstring* aliasIn(const boost::property_tree::wptree& mapping,
                                     const std::wstring& name);

  pugi::xml_node parameters_;
  double ecu_switch_on_;
  double ecu_switch_off_;
  int initialize_demand_values_0_;
  int transfer_inactive_parameters_;
  bool channel_mapping_active_;
  boost::property_tree::wptree channel_mapping_;
  FormuaLoader* formula_loader_;
  std::vector<FormulaEntry> parameter_formula_uses_;
  std::vector<FormulaEntry> this_parameter_formula_uses_;
  long long category_counts_[5];
  // Names loaded by the running load(), with their place in definitions_.
  std::unordered_map<std::wstring, std::size_t> loaded_names_;
  std::vector<Definition> definitions_;
  // Formula uses (places in the two lists) that a later naming of their
  // property dropped; they are not handed to the formula loader.
  std::vector<std::size_t> dropped_parameter_uses_;
  std::vector<std::size_t> dropped_this_parameter_uses_;
  // Text buffers of loadParameterTree and parseParameter, kept from parameter
  // to parameter so that short texts need no allocation of their own.
  std::wstring name_buffer_;
  std::wstring value_buffer_;
  std::wstring property_buffer_;
};

}  // namespace tavik
