// A stand-alone listener: receives change records from one notification queue
// with nothing of the module but the record's header, and prints their fields
// one per line ("handle", "property", "valueType", then "old" and "new" for
// codes 0, 2, 4..7; doubles as lexical_cast text, wide text as UTF-8).
//
//   queue_listener <queue id> <count> <timeout ms>
//
// Exit code 0 when all records arrived, 2 on timeout, 3 on any error.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <boost/archive/text_iarchive.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/lexical_cast.hpp>

#include "TavikEngine/Workspace/NotifyMessage.h"

namespace {

std::string utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t wc : text) {
    const auto cp = static_cast<unsigned long>(wc);
    const int tail = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[tail] | (cp >> (6 * tail)));
    for (int i = tail - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((cp >> (6 * i)) & 0x3F));
  }
  return out;
}

void print(const tavik::workspace::notification::NotifyMessage& m) {
  const int code = static_cast<int>(m.valueType);
  std::cout << "handle " << m.handle << "\nproperty " << m.property << "\nvalueType " << code << "\n";
  if (code == 0)
    std::cout << "old " << boost::lexical_cast<std::string>(m.oldDoubleValue) << "\nnew "
              << boost::lexical_cast<std::string>(m.newDoubleValue) << "\n";
  if (code == 2) std::cout << "old " << m.oldIntValue << "\nnew " << m.newIntValue << "\n";
  if (code == 4 || code == 6) std::cout << "old " << m.oldTextValue << "\nnew " << m.newTextValue << "\n";
  if (code == 5 || code == 7)
    std::cout << "old " << utf8(m.oldWideValue) << "\nnew " << utf8(m.newWideValue) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 3;
  namespace bip = boost::interprocess;
  try {
    bip::message_queue queue(bip::open_only, (std::string("tavik_") + argv[1]).c_str());
    std::vector<char> buffer(queue.get_max_msg_size());
    for (int i = 0; i < std::stoi(argv[2]); ++i) {
      bip::message_queue::size_type received = 0;
      unsigned int priority = 0;
      const auto deadline = boost::posix_time::microsec_clock::universal_time() +
                            boost::posix_time::milliseconds(std::stoi(argv[3]));
      if (!queue.timed_receive(buffer.data(), buffer.size(), received, priority, deadline)) {
        std::cout << "timeout\n";
        return 2;
      }
      std::istringstream stream(std::string(buffer.data(), received));
      boost::archive::text_iarchive archive(stream);
      tavik::workspace::notification::NotifyMessage message;
      archive >> message;
      print(message);
    }
  } catch (const std::exception& e) {
    std::cout << "error " << e.what() << "\n";
    return 3;
  }
  return 0;
}
