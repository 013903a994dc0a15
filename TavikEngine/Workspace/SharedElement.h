// Element proxy: a view of one workspace element, by handle.
//
// A proxy is valid when its handle is > 0. Every member that reaches the
// shared memory (get, getName, getItemType, the plain int set) throws
// WorkspaceException on an invalid proxy without touching memory. Item reads
// log one READ_WRITE line, composed only when that level is on.
//
// T only makes the proxies of different element classes distinct types.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include <boost/lexical_cast.hpp>
#include <boost/shared_ptr.hpp>

#include "TavikEngine/LogLevels.h"
#include "workspace/Utf16.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace workspace {

namespace detail {
constexpr unsigned int kElementNameOffset = 20;

[[noreturn]] inline void throwInvalidProxy(const char* operation) {
  throw WorkspaceException(std::string("invalid element handle in ") + operation);
}
}  // namespace detail

template <class T>
class SharedElement {
 public:
  SharedElement() : handle_(0), workspace_(Workspace::getInstance()) {}
  explicit SharedElement(long long handle) : handle_(handle), workspace_(Workspace::getInstance()) {}
  virtual ~SharedElement() = default;

  // Narrow name of an item of this element, for log lines.
  virtual std::string getPropertyName(unsigned int property) const {
    return workspace_->getPropertyName(handle_, property);
  }

  void increaseReferenceCounter() {
    if (handle_ > 0) {
      workspace_->increaseReferenceCounter(handle_);
      return;
    }
    LOG(WARNING) << "try to increase counter for invalid element";
  }

  long long getHandle() const { return handle_; }

  // Reads an item (value form).
  template <class V>
  V get(unsigned int property) const {
    requireValid("get");
    V value{};
    workspace_->getItem(handle_ + property, value);
    LOG(READ_WRITE) << readLine(property, value);
    return value;
  }

  // Reads an item into the caller's variable (out form).
  template <class V>
  void get(unsigned int property, V& value) const {
    requireValid("get");
    workspace_->getItem(handle_ + property, value);
    LOG(READ_WRITE) << readLine(property, value);
  }

  // The low 8 bits of each stored 16-bit unit, as narrow(wideName()) gives.
  std::string getName() const {
    const NameUnits units = nameUnits("getName");
    std::string name(units.count, '\0');
    for (std::size_t i = 0; i < units.count; ++i) {
      char16_t unit;
      std::memcpy(&unit, units.at + 2 * i, sizeof unit);
      name[i] = static_cast<char>(unit & 0xFF);
    }
    return name;
  }

  std::wstring wideName() const {
    std::wstring name;
    getName(name);
    return name;
  }

  void getName(std::wstring& name) const {
    const NameUnits units = nameUnits("getName");
    assignFromUtf16Units(name, units.at, units.count);
  }

  int getItemType(unsigned int property) const {
    requireValid("getItemType");
    return workspace_->getItemType(handle_ + property);
  }

  // Writes an int item without telling any listener and without a log line.
  void set(unsigned int property, int value) {
    requireValid("set");
    workspace_->setItem(handle_ + property, value);
  }

  static std::string toString(int value) { return boost::lexical_cast<std::string>(value); }
  static std::string toString(unsigned int value) { return boost::lexical_cast<std::string>(value); }
  static std::string toString(long long value) { return boost::lexical_cast<std::string>(value); }
  static std::string toString(double value) { return boost::lexical_cast<std::string>(value); }
  static std::string toString(const std::string& value) { return value; }
  static std::string toString(const std::wstring& value) { return narrow(value); }

  // Each 16-bit character becomes the char of its low 8 bits (no code-page
  // conversion); a character above U+FFFF counts as its two 16-bit units, as
  // the workspace stores it.
  static std::string narrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    forEachUtf16Unit(text, [&out](char16_t unit) {
      out.push_back(static_cast<char>(unit & 0xFF));
      return true;
    });
    return out;
  }

 protected:
  void requireValid(const char* operation) const {
    if (handle_ <= 0) detail::throwInvalidProxy(operation);
  }

  long long handle_;
  boost::shared_ptr<Workspace> workspace_;

 private:
  // The stored name: where its units start and how many there are before
  // the terminator.
  struct NameUnits {
    const char* at;
    std::size_t count;
  };
  NameUnits nameUnits(const char* operation) const {
    requireValid(operation);
    // The name never runs past the element, whatever the memory holds; a
    // handle that denotes no element is refused before memory is read.
    const unsigned int size = workspace_->getElementSize(handle_);
    const std::size_t max_units =
        size > detail::kElementNameOffset ? (size - detail::kElementNameOffset) / 2 : 0;
    const char* p = workspace_->getBaseAddress() + handle_ + detail::kElementNameOffset;
    std::size_t count = 0;
    for (; count < max_units; ++count) {
      char16_t unit;
      std::memcpy(&unit, p + 2 * count, sizeof unit);
      if (unit == 0) break;
    }
    return NameUnits{p, count};
  }

  template <class V>
  std::string readLine(unsigned int property, const V& value) const {
    return "Read item: " + getPropertyName(property) + "[" + toString(property) + "]" +
           " for Element " + getName() + "[" + toString(handle_) + "]" + ". Value: " +
           toString(value);
  }
};

// The configuration format version, compared component by component.
class ConfigVersion {
 public:
  explicit ConfigVersion(const std::wstring& version) : version_(version) {}
  const std::wstring& text() const { return version_; }

 private:
  std::wstring version_;
};

// True when a's dotted numeric components are greater than b's (missing
// components count as 0). Defined by the workspace library.
bool operator>(const ConfigVersion& a, const ConfigVersion& b);

inline int Workspace::getElementType(long long handle) {
  if (handle <= 0 || !isElement(handle)) return -1;
  std::int32_t type = 0;
  std::memcpy(&type, getBaseAddress() + handle, sizeof type);
  return type;
}

inline int Workspace::getElementType(const std::wstring& name, long long& handle) {
  handle = findElement(name, 0xA00000);
  return getElementType(handle);
}

}  // namespace workspace
}  // namespace tavik
