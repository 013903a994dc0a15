#include "workspace/Parameter.h"

#include <charconv>
#include <climits>
#include <locale>
#include <sstream>
#include <utility>

namespace tavik {
namespace workspace {

void Parameter::set(parameter::Property property, double value) {
  requireValid("set");
  workspace_->setItem(handle_ + property, value);
}

namespace {

// The text without its surrounding blanks, as ASCII; false when that holds
// another character.
bool asciiCore(const std::wstring& text, std::string& ascii) {
  const wchar_t* const blanks = L" \t\r\n";
  ascii.clear();
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring::npos) return true;
  const std::size_t last = text.find_last_not_of(blanks);
  ascii.reserve(last - first + 1);
  for (std::size_t i = first; i <= last; ++i) {
    const wchar_t c = text[i];
    if (c <= 0 || c > 0x7F) return false;
    ascii.push_back(static_cast<char>(c));
  }
  return true;
}

// A plain decimal number ("-12", "1.5e3", ".5") that std::from_chars reads to
// its end, as the classic-locale stream reads it too. Anything else (a leading
// '+', "inf", a value out of range, ...) is left to the stream: false.
bool plainNumber(const std::string& ascii, double& value) {
  for (const char c : ascii) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
      return false;
  }
  double read = 0.0;
  const char* const end = ascii.data() + ascii.size();
  const std::from_chars_result result = std::from_chars(ascii.data(), end, read);
  if (result.ec != std::errc() || result.ptr != end) return false;
  value = read;
  return true;
}

bool plainNumber(const std::string& ascii, long long& value) {
  long long read = 0;
  const char* const end = ascii.data() + ascii.size();
  const std::from_chars_result result = std::from_chars(ascii.data(), end, read, 10);
  if (result.ec != std::errc() || result.ptr != end) return false;
  value = read;
  return true;
}

// Parses the whole text as a number of type V, independent of the process's
// locale. An empty (or blank) text is 0.
template <class V>
bool parseNumber(const std::wstring& text, V& value) {
  std::string ascii;
  if (!asciiCore(text, ascii)) return false;
  if (ascii.empty()) {
    value = 0;
    return true;
  }
  if (plainNumber(ascii, value)) return true;
  std::istringstream in(ascii);
  in.imbue(std::locale::classic());
  in >> value;
  return !in.fail() && in.peek() == std::char_traits<char>::eof();
}

}  // namespace

namespace {

// The catalogue entry of a property name; null when the name is not in it.
// The schema keeps its by-name items in a hash table, so every configured
// property is one lookup.
const ItemSchema* catalogueEntry(const std::wstring& propertyName) {
  static const ElementSchema* const schema = findSchema(element_class::kParameter);
  return findItemByName(*schema, propertyName);
}

}  // namespace

bool Parameter::findProperty(const std::wstring& propertyName, parameter::Property& property) {
  const ItemSchema* item = catalogueEntry(propertyName);
  if (item == nullptr) return false;
  property = static_cast<parameter::Property>(item->item);
  return true;
}

long long Parameter::getHandleForProperty(const std::wstring& propertyName) const {
  requireValid("getHandleForProperty");
  parameter::Property property;
  return findProperty(propertyName, property) ? static_cast<long long>(property) : 0;
}

int Parameter::getTypeForProperty(unsigned int property) const {
  requireValid("getTypeForProperty");
  static const ElementSchema* const schema = findSchema(element_class::kParameter);
  return findItem(*schema, property) != nullptr ? getItemType(property) : -1;
}

int Parameter::getTypeForProperty(const std::wstring& propertyName) const {
  requireValid("getTypeForProperty");
  parameter::Property property;
  return findProperty(propertyName, property) ? getItemType(property) : -1;
}

void Parameter::set(const std::wstring& propertyName, const std::wstring& text) {
  requireValid("set");
  const ItemSchema* const entry = catalogueEntry(propertyName);
  if (entry == nullptr) {
    WLOG(WARNING) << L"Parameter \"" << wideName() << L"\": unknown property \"" << propertyName
                  << L"\", value \"" << text << L"\" not stored";
    return;
  }
  // The refusal reads the element's name: composed only when there is one.
  const auto refused = [&](const std::string& reason) {
    return WorkspaceException("cannot set property \"" + narrow(propertyName) +
                              "\" of parameter \"" + getName() + "\" to \"" + narrow(text) +
                              "\": " + reason);
  };
  const parameter::Property property = static_cast<parameter::Property>(entry->item);
  // The proxy holds a Parameter element, so the catalogue's type code is the
  // item's own: the notifying write below is the one lookup in the segment,
  // with all its checks.
  const ValueKind kind = valueKindOf(entry->type_code);
  long long integer = 0;
  double real = 0.0;
  if (kind == ValueKind::Double) {
    if (!parseNumber(text, real)) throw refused("not a number");
  } else if (kind == ValueKind::Int || kind == ValueKind::Unsigned || kind == ValueKind::LongLong) {
    if (!parseNumber(text, integer)) throw refused("not an integer");
    if ((kind == ValueKind::Int && (integer < INT_MIN || integer > INT_MAX)) ||
        (kind == ValueKind::Unsigned && (integer < 0 || integer > static_cast<long long>(UINT_MAX))))
      throw refused("out of range");
  }
  try {
    switch (kind) {
      case ValueKind::WideText:
      case ValueKind::NarrowText:
      case ValueKind::NumberAsText:
        ItemNotifyerElement<Parameter>::set(property, text);
        break;
      case ValueKind::Double:
        ItemNotifyerElement<Parameter>::set(property, real);
        break;
      case ValueKind::Int:
        ItemNotifyerElement<Parameter>::set(property, static_cast<int>(integer));
        break;
      case ValueKind::Unsigned:
        ItemNotifyerElement<Parameter>::set(property, static_cast<unsigned int>(integer));
        break;
      case ValueKind::LongLong:
        ItemNotifyerElement<Parameter>::set(property, integer);
        break;
    }
  } catch (const WorkspaceException& e) {
    throw refused(e.twhat());
  }
}

void Parameter::set_map(const std::wstring& propertyName, const std::wstring& mapName) {
  requireValid("set_map");
  parameter::Property property;
  if (!findProperty(propertyName, property)) {
    WLOG(WARNING) << L"Parameter \"" << wideName() << L"\": unknown property \"" << propertyName
                  << L"\", map \"" << mapName << L"\" not bound";
    return;
  }
  const std::string what = "cannot bind map \"" + narrow(mapName) + "\" to property \"" +
                           narrow(propertyName) + "\" of parameter \"" + getName() + "\"";
  int count = 0;
  workspace_->getItem(handle_ + parameter::Map_Binding_Count, count);
  if (count < 0 || count > parameter::kMapBindingCapacity)
    throw WorkspaceException(what + ": the map-binding table is broken (count " +
                             std::to_string(count) + ")");
  int slot = count;
  for (int k = 0; k < count; ++k) {
    int bound = 0;
    workspace_->getItem(handle_ + parameter::mapBindingProperty(k), bound);
    if (bound == static_cast<int>(property)) {
      slot = k;
      break;
    }
  }
  if (slot == parameter::kMapBindingCapacity)
    throw WorkspaceException(what + ": the parameter already has " +
                             std::to_string(parameter::kMapBindingCapacity) + " map bindings");
  try {
    // The name first: a name that does not fit leaves the table as it was.
    workspace_->setItem(handle_ + parameter::mapBindingName(slot), mapName);
  } catch (const WorkspaceException& e) {
    throw WorkspaceException(what + ": " + e.twhat());
  }
  workspace_->setItem(handle_ + parameter::mapBindingProperty(slot), static_cast<int>(property));
  if (slot == count) workspace_->setItem(handle_ + parameter::Map_Binding_Count, count + 1);
}

std::wstring Parameter::get_map(const std::wstring& propertyName) const {
  requireValid("get_map");
  parameter::Property property;
  if (!findProperty(propertyName, property)) return std::wstring();
  int count = 0;
  workspace_->getItem(handle_ + parameter::Map_Binding_Count, count);
  for (int k = 0; k < count && k < parameter::kMapBindingCapacity; ++k) {
    int bound = 0;
    workspace_->getItem(handle_ + parameter::mapBindingProperty(k), bound);
    if (bound == static_cast<int>(property)) {
      std::wstring name;
      workspace_->getItem(handle_ + parameter::mapBindingName(k), name);
      return name;
    }
  }
  return std::wstring();
}

void Parameter::activate() {
  requireValid("activate");
  workspace_->setItem(handle_ + parameter::Is_Active, 1);
}

void Parameter::initSetValue(double value) {
  requireValid("initSetValue");
  workspace_->setItem(handle_ + parameter::Set_Value, value);
  workspace_->setItem(handle_ + parameter::Value, value);
}

void Parameter::add_same_setname_parameter(long long handle) {
  requireValid("add_same_setname_parameter");
  int count = 0;
  workspace_->getItem(handle_ + parameter::Same_SetName_Count, count);
  if (count < 0 || count > parameter::kSameSetNameCapacity)
    throw WorkspaceException("the same-set-name list of parameter " + getName() +
                             " is broken (count " + std::to_string(count) + ")");
  for (int k = 0; k < count; ++k) {
    long long linked = 0;
    workspace_->getItem(handle_ + parameter::sameSetNameHandle(k), linked);
    if (linked == handle) return;
  }
  if (count == parameter::kSameSetNameCapacity)
    throw WorkspaceException("cannot link parameter " + std::to_string(handle) + " to parameter " +
                             getName() + ": its same-set-name list already holds " +
                             std::to_string(parameter::kSameSetNameCapacity) + " parameters");
  workspace_->setItem(handle_ + parameter::sameSetNameHandle(count), handle);
  workspace_->setItem(handle_ + parameter::Same_SetName_Count, count + 1);
}

std::vector<long long> Parameter::getSameSetNameParameters() const {
  requireValid("getSameSetNameParameters");
  int count = 0;
  workspace_->getItem(handle_ + parameter::Same_SetName_Count, count);
  std::vector<long long> handles;
  for (int k = 0; k < count && k < parameter::kSameSetNameCapacity; ++k) {
    long long linked = 0;
    workspace_->getItem(handle_ + parameter::sameSetNameHandle(k), linked);
    handles.push_back(linked);
  }
  return handles;
}

namespace {
constexpr parameter::Property kLogFlagWords[4] = {parameter::Log_Flags_0, parameter::Log_Flags_1,
                                                  parameter::Log_Flags_2, parameter::Log_Flags_3};

uint64_t wordOf(const uint256_t& value, int index) {
  const uint128_t& half = index < 2 ? value.lower() : value.upper();
  return index % 2 == 0 ? half.lower() : half.upper();
}
}  // namespace

void Parameter::add_log_flags(uint256_t flags) {
  requireValid("add_log_flags");
  const uint256_t merged = getLogFlags() | flags;
  for (int i = 0; i < 4; ++i)
    workspace_->setItem(handle_ + kLogFlagWords[i], static_cast<long long>(wordOf(merged, i)));
}

uint256_t Parameter::getLogFlags() const {
  requireValid("getLogFlags");
  uint64_t words[4];
  for (int i = 0; i < 4; ++i) {
    long long word = 0;
    workspace_->getItem(handle_ + kLogFlagWords[i], word);
    words[i] = static_cast<uint64_t>(word);
  }
  return uint256_t(uint128_t(words[3], words[2]), uint128_t(words[1], words[0]));
}

}  // namespace workspace
}  // namespace tavik
