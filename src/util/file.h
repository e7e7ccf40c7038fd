// File: the one owner of an open file descriptor in the core. Every file the core opens (the
// text file being imported or previewed, the layout files, a property-bag file) goes through
// it, so each is closed on every way out and each failure is a vandrel::Error naming the file.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace vandrel {

class File {
 public:
  // What an open is for.
  enum class Mode {
    Read,           // an existing file, read only
    ReadWrite,      // read and write, created empty when missing
    CreateTruncate  // read and write, created or emptied
  };

  // Opens `path`. A missing file (Read) throws Error 53; anything else the system refuses
  // throws Error 75. Read never blocks on a FIFO or a device: only a regular file opens.
  File(std::string path, Mode mode);
  ~File();
  File(File&& other) noexcept : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}
  File& operator=(File&&) = delete;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }

  std::size_t Size() const;
  // Reads up to `size` bytes at the current position; 0 at the end of the file.
  std::size_t Read(char* data, std::size_t size);
  // Moves the current position to `offset`.
  void Seek(std::size_t offset);
  // Reads exactly `size` bytes at `offset`; a file ending early is an error.
  void ReadAt(std::size_t offset, char* data, std::size_t size) const;
  void WriteAt(std::size_t offset, const char* data, std::size_t size);
  // The whole file (for small files only: property bags).
  std::string ReadAll();
  void Sync();
  // Closes now, reporting a failure (a delayed write error surfaces here on some systems).
  void Close();

  // Whether `path` names a regular file that can be opened for reading. Nothing is created,
  // and a FIFO, socket or device is never opened.
  static bool IsReadableFile(const std::string& path);

  // Creates a new, empty file in `folder` under a name no other file has (`prefix` followed
  // by six random characters), readable and writable by its owner only.
  static File CreateUnique(const std::string& folder, const std::string& prefix);

 private:
  File() = default;
  [[noreturn]] void Fail(const char* what, int err) const;
  [[noreturn]] void NotRegular(Mode mode) const;

  std::string path_;
  int fd_ = -1;
};

// An advisory lock (flock) on a lock file, held until the object goes. The lock file is
// created when missing and never replaced or removed, so every process that locks it locks the
// same file, even while the file it guards is being replaced by a rename. An exclusive lock
// waits for every other holder; shared locks wait only for an exclusive one.
class FileLock {
 public:
  enum class Kind { Shared, Exclusive };

  // Waits for the lock. A lock file that cannot be opened or locked throws Error 75 naming
  // `guarded`, the file the lock is for.
  FileLock(const std::string& lockPath, Kind kind, const std::string& guarded);
  ~FileLock() = default;  // closing the lock file releases the lock
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  static File Open(const std::string& lockPath, Kind kind, const std::string& guarded);
  File file_;
};

}  // namespace vandrel
