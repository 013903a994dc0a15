#include "SegmentMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "workspace/WorkspaceException.h"

namespace tavik {
namespace workspace {

namespace {

// How long an opener waits for the maker to size and publish the segment.
constexpr std::chrono::seconds kMakerWait(5);

std::string objectName(const std::string& name) { return name[0] == '/' ? name : "/" + name; }

[[noreturn]] void throwCannotOpen(const std::string& name, const std::string& reason) {
  throw WorkspaceException("cannot open the workspace segment \"" + name + "\": " + reason);
}
[[noreturn]] void throwSystemError(const std::string& name, const char* call) {
  throwCannotOpen(name, std::string(call) + ": " + std::strerror(errno));
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

std::uint32_t publishedVersion(const SegmentRoot* root) {
  return __atomic_load_n(&root->layout_version, __ATOMIC_ACQUIRE);
}

// Waits until `ready` holds or the maker's time is up; whether it holds.
template <class Ready>
bool waitForMaker(Ready ready) {
  const auto deadline = std::chrono::steady_clock::now() + kMakerWait;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace

SegmentMapping::SegmentMapping(const std::string& name, std::size_t size) {
  if (name.empty()) throwCannotOpen(name, "the name is empty");
  const std::string object = objectName(name);
  bool made = false;
  int fd = -1;
  // A segment removed between the two calls is made here after all.
  for (int attempt = 0; fd < 0 && attempt < 3; ++attempt) {
    fd = ::shm_open(object.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      made = true;
      break;
    }
    if (errno != EEXIST) throwSystemError(name, "shm_open");
    fd = ::shm_open(object.c_str(), O_RDWR, 0);
    if (fd < 0 && errno != ENOENT) throwSystemError(name, "shm_open");
  }
  if (fd < 0) throwCannotOpen(name, "it is removed and made again as it is opened");
  const Descriptor descriptor(fd);

  if (made) {
    if (size < sizeof(SegmentRoot) + kBlockHeader || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
      const int error = errno;
      ::shm_unlink(object.c_str());
      errno = error;
      throwSystemError(name, "ftruncate");
    }
  } else {
    struct stat status;
    const bool sized = waitForMaker([&] {
      return ::fstat(fd, &status) == 0 && status.st_size >= static_cast<off_t>(sizeof(std::uint32_t));
    });
    if (!sized) throwCannotOpen(name, "its maker never gave it a size");
    size = static_cast<std::size_t>(status.st_size);
  }
  void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) {
    if (made) ::shm_unlink(object.c_str());
    throwSystemError(name, "mmap");
  }
  base_ = static_cast<char*>(mapped);
  size_ = size;

  SegmentRoot* const made_root = root();
  if (made) {
    try {
      // layout_version stays 0 until the root is whole.
      SegmentRoot* built = new (base_) SegmentRoot;
      built->mutex.init();
      built->arena.used = arenaRoundUp(sizeof(SegmentRoot));
      built->arena.end = size;
      __atomic_store_n(&built->layout_version, kSegmentLayoutVersion, __ATOMIC_RELEASE);
    } catch (...) {
      ::munmap(base_, size_);
      ::shm_unlink(object.c_str());
      throw;
    }
    return;
  }
  std::uint32_t version = 0;
  if (!waitForMaker([&] { return (version = publishedVersion(made_root)) != 0; })) {
    ::munmap(base_, size_);
    throwCannotOpen(name, "its maker stopped before it was ready; remove it and make it anew");
  }
  if (version != kSegmentLayoutVersion || size_ < sizeof(SegmentRoot) ||
      made_root->arena.end != size_) {
    ::munmap(base_, size_);
    throw WorkspaceException("the workspace segment \"" + name + "\" has layout version " +
                             std::to_string(version) + ", this program needs " +
                             std::to_string(kSegmentLayoutVersion));
  }
}

SegmentMapping::~SegmentMapping() {
  if (base_ != nullptr) ::munmap(base_, size_);
}

}  // namespace workspace
}  // namespace tavik
