#include "TavikEngine/Workspace/NotifyMessage.h"

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

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
