// The run history's file on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "pages/common/run_history.h"

namespace vandok::history_platform {

bool override_path(std::filesystem::path& path) {
  const char* value = std::getenv("VANDOK_HISTORY");
  if (value == nullptr) return false;
  path = value;
  return true;
}

std::filesystem::path default_path() {
  std::filesystem::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && xdg[0] == '/') {
    state = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    state = std::filesystem::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return state / "vandok" / "history.jsonl";
}

namespace {

// Takes the writers' lock within ms; false where the file system takes no lock
// or another writer held it all that time.
bool lock_within(int fd, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// The history file opened for appending and locked (flock) against the other
// writers of this system, or -1. Where the file system takes no lock, or the
// lock stays held, the line still goes out, unlocked.
int open_locked(const std::filesystem::path& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (!lock_within(fd, kLockWaitMs)) return fd;
    // Moved aside by another writer while we waited: start over on the new file.
    struct stat held {}, named {};
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino)
      return fd;
    ::close(fd);
  }
  return -1;
}

}  // namespace

bool append_whole(const std::filesystem::path& path, const std::string& bytes, const std::filesystem::path& rotated,
                  std::uint64_t rotate_bytes) {
  int fd = open_locked(path);
  if (fd < 0) return false;
  struct stat held {};
  if (::fstat(fd, &held) == 0 && static_cast<std::uint64_t>(held.st_size) >= rotate_bytes &&
      ::rename(path.c_str(), rotated.c_str()) == 0) {
    ::close(fd);  // lets the writers waiting on the moved file find it moved
    fd = open_locked(path);
    if (fd < 0) return false;
  }
  // One write; with O_APPEND the line lands whole after whatever another process wrote.
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

}  // namespace vandok::history_platform
