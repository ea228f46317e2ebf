#include "audio/WavFile.h"

#include "SndFileOpen.h"
#include "audio/AudioBuffer.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstring>

namespace zaffo {
namespace {

constexpr std::uint64_t bytesPerFrame = sizeof(float) * AudioBuffer::channels;

std::uint32_t readLittle32(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool writeLittle32(int descriptor, off_t offset, std::uint64_t value) {
    const std::array<unsigned char, 4> bytes{static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                             static_cast<unsigned char>(value >> 16),
                                             static_cast<unsigned char>(value >> 24)};
    return ::pwrite(descriptor, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(bytes.size());
}

// Cuts the file to the whole frames that reached the disk and writes their count into the
// RIFF, fact and data sizes. Returns the frames kept.
std::uint64_t cutToWholeFrames(int descriptor) {
    std::array<unsigned char, 512> header{};
    const ssize_t headerBytes = ::pread(descriptor, header.data(), header.size(), 0);
    struct stat status {};
    if (headerBytes < 12 || std::memcmp(header.data(), "RIFF", 4) != 0 || ::fstat(descriptor, &status) != 0) return 0;
    off_t factAt = -1;
    for (off_t at = 12; at + 8 <= headerBytes;) {
        const unsigned char* chunk = header.data() + at;
        const std::uint32_t size = readLittle32(chunk + 4);
        if (std::memcmp(chunk, "fact", 4) == 0) factAt = at;
        if (std::memcmp(chunk, "data", 4) == 0) {
            const off_t dataStart = at + 8;
            const std::uint64_t frames =
                status.st_size > dataStart ? static_cast<std::uint64_t>(status.st_size - dataStart) / bytesPerFrame : 0;
            const std::uint64_t dataBytes = frames * bytesPerFrame;
            if (::ftruncate(descriptor, dataStart + static_cast<off_t>(dataBytes)) != 0) return 0;
            writeLittle32(descriptor, at + 4, dataBytes);
            writeLittle32(descriptor, 4, dataStart + dataBytes - 8);
            if (factAt >= 0) writeLittle32(descriptor, factAt + 8, frames);
            return frames;
        }
        at += 8 + size + (size & 1);
    }
    return 0;
}

}  // namespace

bool WavFile::create(const std::string& path) {
    close();
    path_ = path;
    error_.clear();
    frames_ = 0;
    descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    SF_INFO info{};
    info.samplerate = engineSampleRate;
    info.channels = AudioBuffer::channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    errno = 0;
    std::string openError;
    file_ = openSndFile(descriptor_, SFM_WRITE, &info, &openError);
    if (file_) sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    if (!file_ || sf_error(file_) != SF_ERR_NO_ERROR) {
        error_ = errno ? std::strerror(errno) : file_ ? sf_strerror(file_) : openError;
        if (file_) sf_close(file_);
        file_ = nullptr;
        ::close(descriptor_);
        descriptor_ = -1;
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

bool WavFile::write(const float* frames, std::uint64_t count) {
    if (!file_) return false;
    errno = 0;
    const sf_count_t written = sf_writef_float(file_, frames, static_cast<sf_count_t>(count));
    if (written == static_cast<sf_count_t>(count)) {
        frames_ += count;
        return true;
    }
    error_ = errno ? std::strerror(errno) : sf_strerror(file_);
    closeAfterWriteError();
    return false;
}

void WavFile::updateHeader() {
    if (file_) sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
}

void WavFile::close() {
    if (!file_) return;
    sf_close(file_);
    file_ = nullptr;
    ::close(descriptor_);
    descriptor_ = -1;
}

void WavFile::closeAfterWriteError() {
    // What the library makes of the header after a short write is its own affair: the file
    // is put right by hand once it has let go.
    sf_close(file_);
    file_ = nullptr;
    frames_ = cutToWholeFrames(descriptor_);
    ::close(descriptor_);
    descriptor_ = -1;
}

}  // namespace zaffo
