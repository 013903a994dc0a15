#include "TavikEngine/Workspace/NotifyMessage.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <sstream>
#include <type_traits>

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

// Room for the longest token of each kind, its leading space included.
constexpr std::size_t kIntegerRoom = 1 + 20;  // " -9223372036854775808"
constexpr std::size_t kDoubleRoom = 1 + 25;   // " -1.23456789012345678e-308"

// Writes " " and the integer's decimal digits at out, as a stream in the
// classic locale writes them; returns the end.
template <class Integer>
inline char* putToken(char* out, Integer value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  using Unsigned = std::make_unsigned_t<Integer>;
  *out++ = ' ';
  Unsigned magnitude = static_cast<Unsigned>(value);
  if constexpr (std::is_signed_v<Integer>) {
    if (value < 0) {
      *out++ = '-';
      magnitude = static_cast<Unsigned>(Unsigned{0} - magnitude);
    }
  }
  // Counted first, then written from the last one back, two at a time.
  unsigned int count = 1;
  for (Unsigned bound = 10; count < std::numeric_limits<Unsigned>::digits10 + 1 && magnitude >= bound;
       bound *= 10)
    ++count;
  char* const end = out + count;
  char* at = end;
  while (magnitude >= 100) {
    const unsigned int pair = static_cast<unsigned int>(magnitude % 100) * 2;
    magnitude /= 100;
    *--at = kPairs[pair + 1];
    *--at = kPairs[pair];
  }
  if (magnitude >= 10) {
    const unsigned int pair = static_cast<unsigned int>(magnitude) * 2;
    *--at = kPairs[pair + 1];
    *--at = kPairs[pair];
  } else {
    *--at = static_cast<char>('0' + magnitude);
  }
  return end;
}

// As the archive writes a double: scientific, with max_digits10 digits after
// the point, so that the listener reads back the same value ("nan", "-nan",
// "inf" and "-inf" as the stream writes them).
char* putToken(char* out, double value) {
  *out++ = ' ';
  return std::to_chars(out, out + kDoubleRoom - 1, value, std::chars_format::scientific,
                       std::numeric_limits<double>::max_digits10)
      .ptr;
}

}  // namespace

NotifyRecordWriter::NotifyRecordWriter()
    : text_(archivePrefix()), prefixSize_(archivePrefix().size()) {}

// A text is its length in characters, a space, then its characters' bytes as
// they lie in memory (four per wide character).
void NotifyRecordWriter::text(std::size_t length, const char* data, std::size_t size) {
  char digits[kIntegerRoom + 1];
  char* end = putToken(digits, length);
  *end++ = ' ';
  text_.append(digits, static_cast<std::size_t>(end - digits));
  text_.append(data, size);
}

void NotifyRecordWriter::begin(long long handle, unsigned int property, ValueType type) {
  char digits[3 * kIntegerRoom];
  char* end = putToken(digits, handle);
  end = putToken(end, property);
  end = putToken(end, static_cast<std::int32_t>(type));
  // The archive header before prefixSize_ stays; the last record after it
  // is replaced.
  text_.replace(prefixSize_, std::string::npos, digits, static_cast<std::size_t>(end - digits));
}

void NotifyRecordWriter::pair(int oldValue, int newValue) {
  char digits[2 * kIntegerRoom];
  const char* end = putToken(putToken(digits, oldValue), newValue);
  text_.append(digits, static_cast<std::size_t>(end - digits));
}

void NotifyRecordWriter::pair(double oldValue, double newValue) {
  char digits[2 * kDoubleRoom];
  const char* end = putToken(putToken(digits, oldValue), newValue);
  text_.append(digits, static_cast<std::size_t>(end - digits));
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
