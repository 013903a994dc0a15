#include "TavikEngine/Config/FormuaLoader.h"

#include <cwctype>

#include "TavikEngine/Config/FormulaReferences.h"
#include "TavikEngine/Config/FormulaSyntax.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/OptionKeys.h"
#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/LogLevels.h"

const std::wstring FormuaLoader::get_pattern_ = L"self.XX.get(Parameter.Property.YY)";
const std::wstring FormuaLoader::name_replace_ = L"XX";
const std::wstring FormuaLoader::property_replacer_ = L"YY";

namespace {

// ° ^ ! " § $ % & / ( ) = ? ` ´ + * ~ ' # - . , ; : _ < > | @ € µ, each escaped,
// then ä ö ü.
const wchar_t kSpecialCharacterPattern[] =
    L"[\\\u00b0\\^\\!\\\"\\\u00a7\\$\\%\\&\\/\\(\\)\\=\\?\\`\\\u00b4\\+\\*\\~\\'\\#\\-\\.\\,"
    L"\\;\\:\\_\\<\\>\\|\\@\\\u20ac\\\u00b5\u00e4\u00f6\u00fc]";

// A formula with a longer run of name characters than this is refused: no
// workspace element name comes near this length.
constexpr size_t kMaxNameRun = 1024;

bool isNameCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L',' || c == L'_' || c == L'-' || std::iswspace(static_cast<wint_t>(c));
}

size_t longestNameRun(const std::wstring& text) {
  size_t longest = 0;
  size_t run = 0;
  for (wchar_t c : text) {
    run = isNameCharacter(c) ? run + 1 : 0;
    if (run > longest) longest = run;
  }
  return longest;
}

// "self.<variable>.get(Parameter.Property.<property>)". Both place-holders
// are filled at their places in the template, so a variable that itself holds
// "YY" stays as it is.
std::wstring referenceReplacement(const std::wstring& variable, const std::wstring& property) {
  std::wstring text = FormuaLoader::get_pattern_;
  const size_t propertyAt = text.find(FormuaLoader::property_replacer_);
  const size_t nameAt = 5;  // "self." precedes the name place-holder
  if (propertyAt != std::wstring::npos)
    text.replace(propertyAt, FormuaLoader::property_replacer_.size(), property);
  text.replace(nameAt, FormuaLoader::name_replace_.size(), variable);
  return text;
}

}  // namespace

const std::wstring FormuaLoader::special_characters_pattern_ = kSpecialCharacterPattern;

FormuaLoader::FormuaLoader() = default;

const std::vector<size_t>& FormuaLoader::find_formulas(const std::wstring& name) {
  static const std::vector<size_t> kNone;
  if (indexed_count_ > formulas_.size()) {  // the list was cleared or shortened
    formula_index_.clear();
    indexed_count_ = 0;
  }
  for (; indexed_count_ < formulas_.size(); ++indexed_count_)
    formula_index_[formulas_[indexed_count_].name].push_back(indexed_count_);
  const auto found = formula_index_.find(name);
  return found == formula_index_.end() ? kNone : found->second;
}

std::wstring FormuaLoader::replaceSpecialCharacters(const std::wstring& text) const {
  // The class of special_characters_pattern_, read off the pattern once: a
  // character test is far cheaper than a regex search, and keyed records
  // (one per option placement) can be many.
  static const std::wstring members = [] {
    std::wstring chars;
    const std::wstring pattern = kSpecialCharacterPattern;
    for (size_t i = 1; i + 1 < pattern.size(); ++i) {
      if (pattern[i] == L'\\') ++i;
      chars.push_back(pattern[i]);
    }
    return chars;
  }();
  std::wstring out = text;
  for (wchar_t& c : out)
    if (members.find(c) != std::wstring::npos) c = L'_';
  return out;
}

std::wstring FormuaLoader::attributeFor(const std::wstring& variable,
                                        const std::wstring& binding) {
  const auto known = attribute_of_.find(
      std::pair<std::wstring_view, std::wstring_view>(variable, binding));
  if (known != attribute_of_.end()) return known->second;
  const std::wstring wanted = tavik::pythonIdentifier(variable);
  std::wstring attribute = wanted;
  for (int n = 2;; ++n) {
    const auto holder = binding_of_attribute_.emplace(attribute, binding).first;
    if (holder->second == binding) break;
    attribute = wanted + L"_" + std::to_wstring(n);
  }
  attribute_of_.emplace(std::make_pair(variable, binding), attribute);
  return attribute;
}

std::wstring FormuaLoader::parameterAttribute(const std::wstring& variable,
                                              const std::wstring& parameterName) {
  return attributeFor(variable, L"Parameter(" + tavik::pythonStringLiteral(parameterName) + L")");
}

std::wstring FormuaLoader::resultAttribute(const std::wstring& variable,
                                           const std::wstring& target) {
  return attributeFor(variable, L"FormulaResult(" +
                                    tavik::pythonStringLiteral(target + L"_action_property") + L")");
}

void FormuaLoader::load(const pugi::xml_node& measurementDefinition) {
  clear();
  const pugi::xml_node formulas = measurementDefinition.child("CalculationFormulas");
  if (!formulas.child("CalculationFormula")) return;
  tavik::OptionKeyIndex optionKeys(measurementDefinition, "Formula:");
  loadFormulas(formulas, optionKeys);
}

void FormuaLoader::load(const pugi::xml_node& measurementDefinition,
                        tavik::OptionKeyIndex& optionKeys) {
  clear();
  loadFormulas(measurementDefinition.child("CalculationFormulas"), optionKeys);
}

void FormuaLoader::clear() {
  formulas_.clear();
  formula_index_.clear();
  indexed_count_ = 0;
  formula_uses_.clear();
  prepare_lines_.clear();
  reset_lines_.clear();
  refused_.clear();
  binding_of_attribute_.clear();
  attribute_of_.clear();
}

void FormuaLoader::loadFormulas(const pugi::xml_node& formulas,
                                tavik::OptionKeyIndex& optionKeys) {
  for (const pugi::xml_node& formula : formulas.children("CalculationFormula")) {
    const FormulaEntry definition = parse_formula(formula);
    const std::wstring name = tavik::childText(formula, "Name");
    if (definition.expression.empty()) {  // refused, and said so
      refused_.insert(name);
      continue;
    }
    formulas_.push_back(definition);
    // A keyed record differs from the definition only in name and
    // identifier: copy it rather than parse the formula once per key.
    const std::vector<std::wstring> keys = optionKeys.keysFor(L"Formula:" + name);
    formulas_.reserve(formulas_.size() + keys.size());
    for (const std::wstring& key : keys) {
      formulas_.push_back(definition);
      formulas_.back().name = key;
      formulas_.back().identifier = replaceSpecialCharacters(key);
    }
  }
}

FormulaEntry FormuaLoader::parse_formula(const pugi::xml_node& formula) {
  return parse_formula(tavik::childText(formula, "Name"), formula);
}

FormulaEntry FormuaLoader::parse_formula(const std::wstring& key, const pugi::xml_node& formula) {
  FormulaEntry entry;
  entry.name = key;
  entry.identifier = replaceSpecialCharacters(key);
  const char* const rawText = formula.child_value("Formula");
  const std::wstring text = tavik::wideText(rawText);
  entry.use_min_max = formula.child("UseMinMaxFlag").text().as_bool(false);
  entry.min = tavik::doubleText(formula.child("Min"), 1.0);
  entry.max = tavik::doubleText(formula.child("Max"), 100.0);
  entry.this_parameter = text.find(L"<ThisParameter>") != std::wstring::npos;

  struct Reference {
    std::wstring text, parameter, property, variable;
    size_t at;
  };
  std::vector<Reference> references;
  for (const tavik::FormulaReference& found : tavik::findFormulaReferences(text, locale_)) {
    Reference r;
    r.text = text.substr(found.at, found.length);
    r.at = found.at;
    const size_t dot = r.text.find(L'.');
    r.parameter = r.text.substr(1, dot - 2);
    r.property = r.text.substr(dot + 1);
    r.variable = replaceSpecialCharacters(r.parameter);
    for (wchar_t& c : r.variable)
      if (c == L' ') c = L'_';
    references.push_back(r);
  }

  // Each reference where it was found. The same text elsewhere is no
  // reference: inside a string literal it is the formula's own text, and
  // before more property characters it is part of a longer reference.
  const auto rewrite = [&](const std::vector<std::wstring>& attributes) {
    std::wstring expression;
    size_t done = 0;
    for (size_t i = 0; i < references.size(); ++i) {
      expression.append(text, done, references[i].at - done);
      expression += referenceReplacement(attributes[i], references[i].property);
      done = references[i].at + references[i].text.size();
    }
    return expression.append(text, done, std::wstring::npos);
  };

  // First with the attributes the names ask for, to see whether the formula
  // can stand in the hook file at all; only then are attributes given out.
  std::vector<std::wstring> attributes;
  std::string fault;
  if (longestNameRun(text) > kMaxNameRun)
    fault = "it holds a name or word longer than " + std::to_string(kMaxNameRun) + " characters";
  else if (!tavik::isWellFormedUtf8(rawText))
    fault = "its text is not well-formed UTF-8";
  for (const Reference& r : references) {
    attributes.push_back(tavik::pythonIdentifier(r.variable));
    if (fault.empty() && !tavik::isPropertyText(r.property))
      fault = "the reference " + tavik::utf8Text(r.text) + " names no valid property";
  }
  if (fault.empty()) fault = tavik::formulaExpressionFault(rewrite(attributes));
  if (!fault.empty()) {
    WLOG(WARNING) << L"The formula " << tavik::childText(formula, "Name") << L" is refused: "
                  << tavik::wideText(fault.c_str());
    return entry;
  }

  for (size_t i = 0; i < references.size(); ++i) {
    const Reference& r = references[i];
    if (r.parameter.find(L"ThisParameter") != std::wstring::npos) continue;
    attributes[i] = parameterAttribute(r.variable, r.parameter);
    prepare_lines_.push_back(L"self." + attributes[i] + L" = Parameter(" +
                             tavik::pythonStringLiteral(r.parameter) + L")");
    prepare_lines_.push_back(L"self." + attributes[i] + L".set(Parameter.Property.Is_Active, 1)");
    reset_lines_.push_back(L"del self." + attributes[i]);
  }
  entry.expression = rewrite(attributes);
  return entry;
}
