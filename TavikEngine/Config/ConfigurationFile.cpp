#include "TavikEngine/Config/ConfigurationFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <sstream>

#include "TavikEngine/Config/SkippedMarkup.h"
#include "TavikEngine/Config/TextEncoding.h"
#include "TavikEngine/Config/XmlText.h"

namespace tavik {
namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The whole file into `bytes`, with the parser's status for what goes wrong:
// a file that cannot be opened is "not found", as the parser's own file
// loading says. The file is opened without waiting (a FIFO would wait for a
// writer for ever) and read only when it is a regular file: the parser would
// ask a directory for 2^63 bytes.
pugi::xml_parse_status readFile(const std::wstring& path, std::string& bytes) {
  const FileDescriptor file(::open(utf8Text(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return pugi::status_file_not_found;
  struct stat status;
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return pugi::status_io_error;
  try {
    // Read to the end rather than trust the size: a file may grow meanwhile.
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
      if (used == bytes.size()) bytes.resize(bytes.size() * 2);
      const ssize_t got = ::read(file.get(), &bytes[used], bytes.size() - used);
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        return pugi::status_io_error;
      }
      used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
  } catch (const std::bad_alloc&) {
    return pugi::status_out_of_memory;
  }
  return pugi::status_ok;
}

std::string failureText(const char* reason, const std::wstring& path, std::ptrdiff_t offset) {
  std::ostringstream text;
  text << reason << " (file " << utf8Text(path) << ", offset " << offset << ")";
  return text.str();
}

}  // namespace

std::string loadConfigurationFile(pugi::xml_document& document, const std::wstring& path) {
  document.reset();
  std::string bytes;
  pugi::xml_parse_result parsed;
  parsed.status = readFile(path, bytes);
  parsed.offset = 0;
  if (parsed.status == pugi::status_ok) parsed = document.load_buffer(bytes.data(), bytes.size());
  if (!parsed) return failureText(parsed.description(), path, parsed.offset);

  // The parser keeps or drops malformed bytes without a word; the bytes are
  // looked at in the encoding it took them for, where it reads them.
  const std::size_t malformed = malformedReadTextOffset(bytes, parsed.encoding);
  if (malformed == kWellFormedText) return std::string();
  document.reset();
  return failureText(
      (std::string("Invalid ") + encodingName(parsed.encoding) + " byte sequence").c_str(), path,
      static_cast<std::ptrdiff_t>(malformed));
}

}  // namespace tavik
