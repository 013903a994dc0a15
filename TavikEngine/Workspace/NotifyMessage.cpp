#include "TavikEngine/Workspace/NotifyMessage.h"

#include <charconv>
#include <limits>
#include <sstream>

#include <boost/archive/text_iarchive.hpp>
#include <boost/archive/text_oarchive.hpp>
#include <boost/serialization/extended_type_info_typeid.hpp>
#include <boost/serialization/singleton.hpp>

// The record's text-archive serialisers, instantiated here once so that the
// module's shared library can export them to listeners and tools linked
// against it. They come before any use, so that the export mark applies.
namespace boost {
namespace serialization {
template class TAVIK_NOTIFY_EXPORT
    singleton<extended_type_info_typeid<tavik::workspace::notification::NotifyMessage>>;
}  // namespace serialization
namespace archive {
namespace detail {
template class TAVIK_NOTIFY_EXPORT iserializer<text_iarchive, tavik::workspace::notification::NotifyMessage>;
template class TAVIK_NOTIFY_EXPORT oserializer<text_oarchive, tavik::workspace::notification::NotifyMessage>;
}  // namespace detail
}  // namespace archive
namespace serialization {
template class TAVIK_NOTIFY_EXPORT singleton<
    archive::detail::iserializer<archive::text_iarchive, tavik::workspace::notification::NotifyMessage>>;
template class TAVIK_NOTIFY_EXPORT singleton<
    archive::detail::oserializer<archive::text_oarchive, tavik::workspace::notification::NotifyMessage>>;
}  // namespace serialization
}  // namespace boost

template TAVIK_NOTIFY_EXPORT void tavik::workspace::notification::NotifyMessage::serialize(
    boost::archive::text_iarchive&, const unsigned int);
template TAVIK_NOTIFY_EXPORT void tavik::workspace::notification::NotifyMessage::serialize(
    boost::archive::text_oarchive&, const unsigned int);

namespace tavik {
namespace workspace {
namespace notification {

std::string serializeNotifyMessage(const NotifyMessage& message) {
  std::ostringstream stream;
  boost::archive::text_oarchive archive(stream, 0);
  archive << message;
  // Taken while the archive is open: the line break it writes when it closes
  // is not part of the record.
  return stream.str();
}

namespace {

// What a text_oarchive writes before a record's first field: its signature,
// library version and the record class's tracking and version. Taken from a
// record without value pair, whose last three tokens are its own fields.
const std::string& archivePrefix() {
  static const std::string prefix = [] {
    NotifyMessage header{};
    header.valueType = static_cast<ValueType>(1);
    const std::string text = serializeNotifyMessage(header);
    const std::string fields = " 0 0 1";
    return text.substr(0, text.size() - fields.size());
  }();
  return prefix;
}

}  // namespace

template <class Integer>
void NotifyRecordWriter::token(Integer value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  text_ += ' ';
  text_.append(digits, end.ptr);
}

// As the archive writes a double: scientific, with max_digits10 digits after
// the point, so that the listener reads back the same value.
void NotifyRecordWriter::token(double value) {
  char digits[40];
  const std::to_chars_result end = std::to_chars(
      digits, digits + sizeof digits, value, std::chars_format::scientific,
      std::numeric_limits<double>::max_digits10);
  text_ += ' ';
  text_.append(digits, end.ptr);
}

// A text is its length in characters, a space, then its characters' bytes as
// they lie in memory (four per wide character).
void NotifyRecordWriter::text(std::size_t length, const char* data, std::size_t size) {
  token(length);
  text_ += ' ';
  text_.append(data, size);
}

void NotifyRecordWriter::begin(long long handle, unsigned int property, ValueType type) {
  text_.assign(archivePrefix());
  token(handle);
  token(property);
  token(static_cast<std::int32_t>(type));
}

void NotifyRecordWriter::pair(int oldValue, int newValue) {
  token(oldValue);
  token(newValue);
}

void NotifyRecordWriter::pair(double oldValue, double newValue) {
  token(oldValue);
  token(newValue);
}

void NotifyRecordWriter::pair(const std::string& oldValue, const std::string& newValue) {
  text(oldValue.size(), oldValue.data(), oldValue.size());
  text(newValue.size(), newValue.data(), newValue.size());
}

void NotifyRecordWriter::pair(const std::wstring& oldValue, const std::wstring& newValue) {
  text(oldValue.size(), reinterpret_cast<const char*>(oldValue.data()),
       oldValue.size() * sizeof(wchar_t));
  text(newValue.size(), reinterpret_cast<const char*>(newValue.data()),
       newValue.size() * sizeof(wchar_t));
}

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
