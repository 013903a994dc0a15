// The configuration's calculation formulas, rewritten as Python expressions.
//
// load() reads every CalculationFormula of the CalculationFormulas section and
// keeps one FormulaEntry per formula (the definition), followed by one keyed
// record per action option whose value is "Formula:" + the formula's name
// (keys as in OptionKeys.h). Parameter and sequence loading then mark
// definitions and append formula uses; the hook file is written from them.
//
// A reference to a parameter property in a formula reads "<Name>.Property"
// (FormulaReferences.h; none inside a string literal); where it stands it
// becomes
//   self.<variable>.get(Parameter.Property.<Property>)
// where <variable> is the name with every special character and every blank
// replaced by "_", made a valid attribute name by pythonIdentifier
// (PythonText.h; for ordinary names it changes nothing) and distinct from the
// attribute of any other name (parameterAttribute). Each reference to a
// parameter other than "ThisParameter" adds two prepare lines,
// "self.<variable> = Parameter('<Name>')" and
// "self.<variable>.set(Parameter.Property.Is_Active, 1)", and the reset line
// "del self.<variable>" (repeated references repeat them); the name stands
// there as a Python string literal (pythonStringLiteral).
//
// create_file() writes the property hook file (PropertyHookFile.cpp).
#pragma once

#include <locale>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "TavikEngine/Config/Export.h"
#include "TavikEngine/Config/LoaderBase.h"

namespace tavik {
class OptionKeyIndex;
}

// One calculation formula, or one use of it.
struct FormulaEntry {
  std::wstring name;        // formula name; the option key of a keyed record
  std::wstring identifier;  // name with every special character replaced by "_"
  std::wstring expression;  // the formula as a Python expression
  std::wstring setter;      // Python call prefix that stores the result in the target
  std::wstring variable;    // the target's attribute in the hook file (without "self.")
  std::wstring target;      // parameter name, or the action property's base name
  bool this_parameter = false;         // the formula text contains "<ThisParameter>"
  bool parameter_bound = false;        // bound to a parameter property
  bool action_property_bound = false;  // bound to an action property
  bool use_min_max = false;            // clamp the result to [min, max]
  double min = 1.0;
  double max = 100.0;
};

class TAVIK_EXPORT FormuaLoader : public tavik::LoaderBase {
 public:
  // The replacement template of a reference and its two place-holders.
  static const std::wstring get_pattern_;        // "self.XX.get(Parameter.Property.YY)"
  static const std::wstring name_replace_;       // "XX"
  static const std::wstring property_replacer_;  // "YY"

  // The characters that cannot stand in a Python name (blank excluded), as
  // one bracket class: ° ^ ! " § $ % & / ( ) = ? ` ´ + * ~ ' # - . , ; : _ < >
  // | @ € µ ä ö ü. The action loader builds its hook names with it too.
  static const std::wstring special_characters_pattern_;

  FormuaLoader();

  // Replaces the loader's formulas, uses, prepare and reset lines and hook
  // attributes with those of `measurementDefinition`. A missing
  // CalculationFormulas section gives no formulas. Each formula is parsed
  // once; its keyed records are copies that differ in name and identifier
  // only. A refused formula (see parse_formula) gets no record at all, so
  // nothing can use it; isRefused() names it. Throws tavik::ConfigException
  // when group bodies that hold a formula option place each other in a
  // cycle.
  void load(const pugi::xml_node& measurementDefinition);
  // The same with the keys from an index of measurementDefinition that holds
  // the "Formula:" values.
  void load(const pugi::xml_node& measurementDefinition, tavik::OptionKeyIndex& optionKeys);

  // parse_formula(text of the formula's Name, formula).
  FormulaEntry parse_formula(const pugi::xml_node& formula);
  // One CalculationFormula element as a record named `key`; appends the
  // formula's prepare and reset lines. A formula that could not stay one
  // expression inside its call in the hook file is refused: one WARNING
  // "The formula <Name> is refused: <why>", no prepare or reset lines, and a
  // record with an EMPTY expression. That is a text holding a run of more
  // than 1024 name characters (letters, digits, white space, ",", "_", "-":
  // no name of the bench is that long), a text that is not well-formed
  // UTF-8, a reference whose property is no attribute name, or an expression
  // (references rewritten) that FormulaSyntax.h refuses: empty, line breaks,
  // unpaired brackets, references left unread, anything but one Python
  // expression that stands as one positional argument (FormulaGrammar.h).
  // Runs in time near-linear in the formula's length.
  FormulaEntry parse_formula(const std::wstring& key, const pugi::xml_node& formula);

  // The attribute of the hook class under which the parameter
  // `parameterName` is bound, for a use whose loader would call it
  // `variable`: `variable` made a valid attribute name (pythonIdentifier),
  // unless a different parameter or formula result already holds that
  // attribute in this load; then a distinct one ("<attribute>_2", "_3",
  // ...). The same name always gets the same attribute again, and the first
  // name keeps the attribute it asked for, so ordinary files do not change.
  std::wstring parameterAttribute(const std::wstring& variable, const std::wstring& parameterName);
  // The same for the formula result of the action property `target`.
  std::wstring resultAttribute(const std::wstring& variable, const std::wstring& target);

  // Whether the last load refused a formula named `name` (and kept no record
  // of that name for it). The parameter loader still stores such a
  // "Formula:" value as the channel text it is; only the use is dropped.
  bool isRefused(const std::wstring& name) const { return refused_.count(name) != 0; }

  std::vector<FormulaEntry>& get_formulas() { return formulas_; }
  std::vector<FormulaEntry>& get_formula_uses() { return formula_uses_; }

  // Positions in get_formulas() of the records whose `name` is `name`, in
  // list order; found through an index, not by a scan of the list. The index
  // follows load() and the records appended through get_formulas() since;
  // a `name` changed in place is not read again.
  const std::vector<size_t>& find_formulas(const std::wstring& name);

  // Python statements that bind and release the parameters the formulas read,
  // in the order found (repeats included) until create_file() adds the lines
  // of the formula uses and leaves both lists sorted and free of repeats.
  const std::vector<std::wstring>& get_prepare_lines() const { return prepare_lines_; }
  const std::vector<std::wstring>& get_reset_lines() const { return reset_lines_; }

  // Writes the property hook file, the Python module that evaluates every
  // formula use, to
  //   <system path>/ZUMD/SystemPythonActions/ScriptActions/hooks/PropertyHook.py
  // (system path of the INI reader), replacing an existing file. Adds the
  // prepare and reset lines of the formula uses (a Parameter binding for a
  // parameter use, a FormulaResult binding for an action-property use; uses
  // with this_parameter set are left out), sorts both lists by character
  // code and drops repeats, then writes the module's text. The file is
  // UTF-8. Names from the configuration appear only as string literals and
  // valid attribute names (PythonText.h); the setter and the expression of a
  // use are rewritten to the same attribute name as its binding.
  //
  // The file is written under a temporary name in the same folder and then
  // renamed into place, so the bench never reads half a file. A file that
  // cannot be written (a missing hooks directory, no permission) logs one
  // WARNING "Could not write the property hook file <path>: <reason>"; the
  // line lists are set as if the file had been written, and directories are
  // not created. The previous configuration's file must not go on running
  // against this one: it is removed (WARNING "Removed the property hook file
  // of the previous configuration <path>"); when even that fails,
  // previousHookFileStays() is true until the next create_file.
  //
  // A use whose line could break the file is left out with a WARNING naming
  // its target: a setter of another form than "<attribute>.set(Parameter.
  // Property.<property>, " or "<attribute>.set_result(", or an expression
  // that FormulaSyntax.h refuses.
  void create_file();

  // True when the last create_file could neither write the hook file nor
  // remove the one already there.
  bool previousHookFileStays() const { return previous_file_stays_; }
  // Where the last create_file wrote (or tried to write) the hook file.
  const std::string& get_output_path() const { return output_path_; }

  // `text` with every character of special_characters_pattern_ replaced by
  // "_", as a regex replacement with that class would give.
  std::wstring replaceSpecialCharacters(const std::wstring& text) const;

 private:
  // Empties every list and index of the last load.
  void clear();
  void loadFormulas(const pugi::xml_node& formulas, tavik::OptionKeyIndex& optionKeys);
  std::wstring attributeFor(const std::wstring& variable, const std::wstring& binding);
  // Writes `bytes` to the output path through a temporary file; the reason
  // when that failed, else empty.
  std::string replaceHookFile(const std::string& bytes) const;
  // The attribute name in the hook file of a use's `variable`.
  std::wstring hookVariable(const std::wstring& variable) const;
  // The line of the hook's execute method for one use, without indentation;
  // empty when the use is left out (logged).
  // `attribute` is the use's attribute when create_file gave one out, else
  // empty.
  std::wstring executeStatement(const FormulaEntry& use, const std::wstring& attribute);
  // The hook file's text from the current lists.
  std::wstring hookFileText(const std::vector<std::wstring>& attributes);

  std::vector<FormulaEntry> formulas_;
  // Record positions by name, for the first `indexed_count_` records.
  std::unordered_map<std::wstring, std::vector<size_t>> formula_index_;
  size_t indexed_count_ = 0;
  std::vector<FormulaEntry> formula_uses_;
  std::vector<std::wstring> prepare_lines_;
  std::vector<std::wstring> reset_lines_;
  std::unordered_set<std::wstring> refused_;  // names of the formulas refused in this load
  // The locale in force when the loader was made: it decides which
  // characters of a reference's name are white space (FormulaReferences.h).
  std::locale locale_;
  std::string output_path_;  // where the hook file goes; set when it is written
  bool previous_file_stays_ = false;
  // Attributes of the hook class given out in this load: which binding
  // ("Parameter('<name>')" or "FormulaResult('<target>')") holds each, and
  // what each (variable, binding) pair was given.
  std::unordered_map<std::wstring, std::wstring> binding_of_attribute_;
  // Ordered by variable, then binding; looked up through a pair of views, so
  // that a lookup copies neither text.
  struct PairOrder {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      const int first = std::wstring_view(a.first).compare(std::wstring_view(b.first));
      return first != 0 ? first < 0
                        : std::wstring_view(a.second).compare(std::wstring_view(b.second)) < 0;
    }
  };
  std::map<std::pair<std::wstring, std::wstring>, std::wstring, PairOrder> attribute_of_;
};
