#include "workspace/Parameter.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <locale>
#include <sstream>
#include <utility>
#include <vector>

#include "OwnedList.h"
#include "RecordText.h"
#include "workspace/Unaligned.h"

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

namespace {

namespace rt = record_text;

OwnedList mapBindings(Workspace& workspace, long long handle, const Parameter& parameter) {
  return OwnedList(workspace, handle, parameter::Map_Binding_List, L"MapBindings",
                   parameter::kMapBindingRecord, false,
                   [&parameter] { return "map bindings of parameter " + parameter.getName(); });
}

OwnedList sameSetNameLinks(Workspace& workspace, long long handle, const Parameter& parameter) {
  return OwnedList(workspace, handle, parameter::Same_SetName_List, L"SameSetName", 8, true, [&parameter] {
    return "same-set-name links of parameter " + parameter.getName();
  });
}

int boundProperty(const char* record) {
  return loadAt<std::int32_t>(record + parameter::kMapBindingProperty);
}

// List position of the property's binding; -1 when it has none.
int findBinding(const OwnedList& bindings, parameter::Property property) {
  const int count = bindings.count();
  for (int k = 0; k < count; ++k)
    if (boundProperty(bindings.record(k)) == static_cast<int>(property)) return k;
  return -1;
}

}  // namespace

void Parameter::set_map(const std::wstring& propertyName, const std::wstring& mapName) {
  requireValid("set_map");
  parameter::Property property;
  if (!findProperty(propertyName, property)) {
    WLOG(WARNING) << L"Parameter \"" << wideName() << L"\": unknown property \"" << propertyName
                  << L"\", map \"" << mapName << L"\" not bound";
    return;
  }
  // The name is checked first: a name that does not fit leaves the list as
  // it was.
  rt::fitsWide(mapName, parameter::kMapBindingNameRoom,
               "cannot bind map \"" + narrow(mapName) + "\" to property \"" + narrow(propertyName) +
                   "\" of parameter \"" + getName() + "\"");
  OwnedList bindings = mapBindings(*workspace_, handle_, *this);
  int position = findBinding(bindings, property);
  if (position < 0) {
    position = bindings.append();
    storeAt<std::int32_t>(bindings.record(position) + parameter::kMapBindingProperty,
                          static_cast<std::int32_t>(property));
  }
  rt::storeWide(bindings.record(position) + parameter::kMapBindingName,
                parameter::kMapBindingNameRoom, mapName);
}

std::wstring Parameter::get_map(const std::wstring& propertyName) const {
  requireValid("get_map");
  parameter::Property property;
  if (!findProperty(propertyName, property)) return std::wstring();
  const OwnedList bindings = mapBindings(*workspace_, handle_, *this);
  const int position = findBinding(bindings, property);
  if (position < 0) return std::wstring();
  return rt::loadWide(bindings.record(position) + parameter::kMapBindingName,
                      parameter::kMapBindingNameRoom);
}

void Parameter::clear_map(const std::wstring& propertyName) {
  requireValid("clear_map");
  parameter::Property property;
  if (!findProperty(propertyName, property)) return;
  if (loadAt<std::int64_t>(workspace_->getBaseAddress() + handle_ + parameter::Map_Binding_List) == 0)
    return;
  OwnedList bindings = mapBindings(*workspace_, handle_, *this);
  const int position = findBinding(bindings, property);
  if (position >= 0) bindings.removeRecord(position);
}

int Parameter::getMapBindingCount() const {
  requireValid("getMapBindingCount");
  return mapBindings(*workspace_, handle_, *this).count();
}

void Parameter::clear_maps() {
  requireValid("clear_maps");
  // Most parameters never had a binding: no list to look at.
  if (loadAt<std::int64_t>(workspace_->getBaseAddress() + handle_ + parameter::Map_Binding_List) == 0)
    return;
  OwnedList bindings = mapBindings(*workspace_, handle_, *this);
  if (bindings.count() != 0) bindings.clear();
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

namespace {

// The digest of a link list after one more handle: depends on every handle
// and on their order; 0 for the empty list.
long long nextDigest(long long digest, long long handle) {
  std::uint64_t h = static_cast<std::uint64_t>(handle) + 0x9E3779B97F4A7C15ull;
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  h ^= h >> 31;
  return static_cast<long long>(static_cast<std::uint64_t>(digest) * 0x100000001B3ull + h + 1);
}

}  // namespace

void Parameter::add_same_setname_parameter(long long handle) {
  requireValid("add_same_setname_parameter");
  int count = 0;
  long long digest = 0;
  workspace_->getItem(handle_ + parameter::Same_SetName_Count, count);
  workspace_->getItem(handle_ + parameter::Same_SetName_Digest, digest);
  // A handle the list holds already keeps its place and changes nothing.
  if (sameSetNameLinks(*workspace_, handle_, *this).addHandle(handle) != count) return;
  workspace_->setItem(handle_ + parameter::Same_SetName_Count, count + 1);
  workspace_->setItem(handle_ + parameter::Same_SetName_Digest, nextDigest(digest, handle));
}

bool Parameter::holdsSameSetNameParameters(const std::vector<long long>& handles) const {
  requireValid("holdsSameSetNameParameters");
  // The proxy holds a parameter, and parameters never move: its own items
  // are read in place.
  const char* const element = workspace_->getBaseAddress() + handle_;
  if (loadAt<std::int64_t>(element + parameter::Same_SetName_List) == 0) return handles.empty();
  const std::int32_t count = loadAt<std::int32_t>(element + parameter::Same_SetName_Count);
  if (count != static_cast<long long>(handles.size())) return false;
  const long long digest = loadAt<std::int64_t>(element + parameter::Same_SetName_Digest);
  long long expected = 0;
  for (const long long handle : handles) expected = nextDigest(expected, handle);
  return digest == expected;
}

std::vector<long long> Parameter::getSameSetNameParameters() const {
  requireValid("getSameSetNameParameters");
  return sameSetNameLinks(*workspace_, handle_, *this).handles();
}

void Parameter::clear_same_setname_parameters() {
  requireValid("clear_same_setname_parameters");
  // A parameter that never had a link has nothing to clear.
  const char* const element = workspace_->getBaseAddress() + handle_;
  if (loadAt<std::int64_t>(element + parameter::Same_SetName_List) == 0 &&
      loadAt<std::int32_t>(element + parameter::Same_SetName_Count) == 0 &&
      loadAt<std::int64_t>(element + parameter::Same_SetName_Digest) == 0)
    return;
  OwnedList links = sameSetNameLinks(*workspace_, handle_, *this);
  if (links.count() != 0) links.clear();
  workspace_->setItem(handle_ + parameter::Same_SetName_Count, 0);
  workspace_->setItem(handle_ + parameter::Same_SetName_Digest, 0LL);
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
