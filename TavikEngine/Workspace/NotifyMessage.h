// One change notification: the record that a listener process receives on its
// notification queue when an item it listens to was written.
//
// The record and its serialised form are a protocol between processes: a
// listener built separately with the same Boost reads a queue message with a
// boost::archive::text_iarchive and `>>` into one NotifyMessage. The field
// order, the value-type codes and the serialised order below must therefore
// never change.
#pragma once

#include <cstdint>
#include <string>

#include <boost/serialization/string.hpp>

// Marks the record's serialisation instances for export from the module's
// shared library.
#define TAVIK_NOTIFY_EXPORT __attribute__((visibility("default")))

namespace tavik {
namespace workspace {
namespace notification {

// Selects which value pair of a record is meaningful. A record may carry any
// 32-bit code; the named ones are those this module sends.
enum ValueType : std::int32_t {
  DOUBLE_VALUE = 0,
  INT_VALUE = 2,
  TEXT_VALUE = 4,
  WIDE_TEXT_VALUE = 5,
};

class NotifyMessage {
 public:
  NotifyMessage() = default;
  ~NotifyMessage() = default;

  // Saves or loads the header (handle, property, valueType) and then the one
  // value pair that valueType selects:
  //   0 old/new double, 2 old/new int, 4 and 6 old/new narrow text,
  //   5 and 7 old/new wide text, any other code nothing more.
  template <class Archive>
  void serialize(Archive& archive, const unsigned int /*version*/) {
    archive & handle;
    archive & property;
    archive & valueType;
    switch (static_cast<std::int32_t>(valueType)) {
      case 0:
        archive & oldDoubleValue;
        archive & newDoubleValue;
        break;
      case 2:
        archive & oldIntValue;
        archive & newIntValue;
        break;
      case 4:
      case 6:
        archive & oldTextValue;
        archive & newTextValue;
        break;
      case 5:
      case 7:
        archive & oldWideValue;
        archive & newWideValue;
        break;
      default:
        break;
    }
  }

  long long handle;        // the written element
  unsigned int property;   // the written item number
  ValueType valueType;
  int oldIntValue;
  int newIntValue;
  double oldDoubleValue;
  double newDoubleValue;
  std::wstring oldWideValue;
  std::wstring newWideValue;
  std::string oldTextValue;
  std::string newTextValue;
};

// The bytes of one queue message: the complete text of a text_oarchive (flags
// 0, so with its header) into which exactly `message` was saved. No
// terminator is added.
std::string serializeNotifyMessage(const NotifyMessage& message);

// Composes the same bytes as serializeNotifyMessage straight from the values,
// without building a record or an archive: the sending path's form. The
// archive's header is taken once per process from Boost itself, so that the
// bytes follow the installed Boost's library version; it stays at the start
// of the buffer, and each record's digits are written in after it. Reusing
// one writer reuses its buffer.
class NotifyRecordWriter {
 public:
  NotifyRecordWriter();

  // Starts a record: archive header, handle, property and value-type code.
  void begin(long long handle, unsigned int property, ValueType type);
  // Appends the value pair of the record's type.
  void pair(int oldValue, int newValue);
  void pair(double oldValue, double newValue);
  void pair(const std::string& oldValue, const std::string& newValue);
  void pair(const std::wstring& oldValue, const std::wstring& newValue);
  const std::string& bytes() const { return text_; }

 private:
  void text(std::size_t length, const char* data, std::size_t size);

  std::string text_;
  std::size_t prefixSize_;
};

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
