#include "util/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "vandrel/error.h"

namespace vandrel {
namespace {

int OpenFlags(File::Mode mode) {
  switch (mode) {
    case File::Mode::Read:
      // O_NONBLOCK: opening a FIFO without a writer must not hang; regular files ignore it.
      return O_RDONLY | O_NONBLOCK;
    case File::Mode::ReadWrite:
      return O_RDWR | O_CREAT;
    case File::Mode::CreateTruncate:
      return O_RDWR | O_CREAT | O_TRUNC;
  }
  return O_RDONLY;
}

}  // namespace

File::File(std::string path, Mode mode) : path_(std::move(path)) {
  // Something that is not a regular file is refused before it is opened: opening a FIFO
  // would hang, or would connect to a waiting writer and lose what it writes.
  struct stat before {};
  if (::stat(path_.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) NotRegular(mode);
  do {
    fd_ = ::open(path_.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    const int err = errno;
    if (mode == Mode::Read && err == ENOENT) {
      throw Error(kErrFileNotFound, "The file '" + path_ + "' was not found.");
    }
    Fail("opened", err);
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    const int err = errno;
    ::close(fd_);
    fd_ = -1;
    Fail("examined", err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    NotRegular(mode);
  }
  if (mode == Mode::Read) {
    // Back to blocking reads: a regular file never waits anyway.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  }
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

// A folder, a FIFO, a socket or a device is not a file to read lines or records from. For
// reading, it is refused as a missing file would be; for writing, as an access error.
void File::NotRegular(Mode mode) const {
  throw Error(mode == Mode::Read ? kErrFileNotFound : kErrPathFileAccess,
              "'" + path_ + "' is not a regular file.");
}

void File::Fail(const char* what, int err) const {
  throw Error(kErrPathFileAccess, "The file '" + path_ + "' cannot be " + what + ": " +
                                      std::system_category().message(err) + ".");
}

std::size_t File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) Fail("examined", errno);
  return static_cast<std::size_t>(st.st_size);
}

std::size_t File::Read(char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) Fail("read", errno);
  }
}

void File::Seek(std::size_t offset) {
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) Fail("read", errno);
}

void File::ReadAt(std::size_t offset, char* data, std::size_t size) const {
  while (size > 0) {
    const ssize_t n = ::pread(fd_, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("read", errno);
    if (n == 0) Fail("read", EIO);  // shortened by someone else meanwhile
    data += n;
    offset += static_cast<std::size_t>(n);
    size -= static_cast<std::size_t>(n);
  }
}

void File::WriteAt(std::size_t offset, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("written", errno);
    if (n == 0) Fail("written", EIO);
    data += n;
    offset += static_cast<std::size_t>(n);
    size -= static_cast<std::size_t>(n);
  }
}

std::string File::ReadAll() {
  std::string content;
  char chunk[64 * 1024];
  for (std::size_t n; (n = Read(chunk, sizeof chunk)) > 0;) content.append(chunk, n);
  return content;
}

void File::Sync() {
  if (::fsync(fd_) != 0) Fail("written", errno);
}

void File::Close() {
  const int fd = std::exchange(fd_, -1);
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) Fail("closed", errno);
}

bool File::IsReadableFile(const std::string& path) {
  try {
    File file(path, Mode::Read);
    return true;
  } catch (const Error&) {
    return false;
  }
}

File File::CreateUnique(const std::string& folder, const std::string& prefix) {
  std::string pattern = folder + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  File file;
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    file.path_ = std::move(pattern);
    file.Fail("created", errno);
  }
  file.path_ = name.data();
  file.fd_ = fd;
  return file;
}

File FileLock::Open(const std::string& lockPath, Kind kind, const std::string& guarded) {
  try {
    return File(lockPath, File::Mode::ReadWrite);
  } catch (const Error& e) {
    // A reader may share a lock file it cannot write (flock needs no write access).
    if (kind == Kind::Shared && ::access(lockPath.c_str(), F_OK) == 0) {
      return File(lockPath, File::Mode::Read);
    }
    throw Error(e.number(), "The file '" + guarded + "' cannot be locked: " + e.description());
  }
}

FileLock::FileLock(const std::string& lockPath, Kind kind, const std::string& guarded)
    : file_(Open(lockPath, kind, guarded)) {
  const int operation = kind == Kind::Exclusive ? LOCK_EX : LOCK_SH;
  while (::flock(file_.fd(), operation) != 0) {
    const int err = errno;
    if (err == EINTR) continue;
    throw Error(kErrPathFileAccess, "The file '" + guarded + "' cannot be locked through '" +
                                        lockPath + "': " + std::system_category().message(err) +
                                        ".");
  }
}

}  // namespace vandrel
