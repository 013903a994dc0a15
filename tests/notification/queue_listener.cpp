// A stand-alone listener: receives change records from one notification queue
// with nothing of the module but the record's header, and prints each record
// on one line: "<handle> <property> <value type>:" followed, for codes 0, 2,
// 4..7, by " <old> -> <new>" (doubles as lexical_cast text, wide characters
// above ASCII as <hex>).
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

std::string shown(const std::wstring& text) {
  std::ostringstream out;
  for (wchar_t c : text)
    c < 0x80 ? out << static_cast<char>(c) : out << '<' << std::hex << static_cast<unsigned long>(c) << '>';
  return out.str();
}

void print(const tavik::workspace::notification::NotifyMessage& m) {
  using boost::lexical_cast;
  const int code = static_cast<int>(m.valueType);
  std::cout << m.handle << ' ' << m.property << ' ' << code << ':';
  if (code == 0)
    std::cout << ' ' << lexical_cast<std::string>(m.oldDoubleValue) << " -> "
              << lexical_cast<std::string>(m.newDoubleValue);
  if (code == 2) std::cout << ' ' << m.oldIntValue << " -> " << m.newIntValue;
  if (code == 4 || code == 6) std::cout << ' ' << m.oldTextValue << " -> " << m.newTextValue;
  if (code == 5 || code == 7) std::cout << ' ' << shown(m.oldWideValue) << " -> " << shown(m.newWideValue);
  std::cout << '\n';
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
