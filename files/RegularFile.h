#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>

namespace zaffo {

// An open file descriptor, closed with the object.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int fd() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Opens `path` for reading when it is a regular file once links are followed. Anything else
// (missing, a folder, a FIFO, a device, a socket) gives an empty handle without waiting: such a
// thing is never opened in a way that could block, so a FIFO named like a sound file cannot
// stall the reader.
FileHandle openRegularFile(const std::string& path);

// Opens `path` for writing, emptied, when it is a regular file or nothing yet (then it is made).
// A link, a FIFO, a folder or a device there gives an empty handle without waiting, and nothing is
// written through it.
FileHandle createRegularFile(const std::string& path);

// Writes every byte to the descriptor, going on after an interrupted or partial write. False,
// with errno set, when a write fails.
bool writeAll(int fd, const char* data, std::size_t size);

// The first `limit` bytes of a regular file (the whole file by default), or nothing when
// openRegularFile refuses it or reading fails.
std::optional<std::string> readRegularFile(const std::string& path,
                                           std::size_t limit = std::numeric_limits<std::size_t>::max());

}  // namespace zaffo
