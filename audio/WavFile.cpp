#include "audio/WavFile.h"

#include "SndFileOpen.h"
#include "audio/AudioBuffer.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>

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

std::atomic<std::uint64_t> rf64Threshold{WavFile::defaultRf64Threshold};

constexpr std::size_t headerRoom = 512;  // the most header that is read back

// Where the chunks sit in the header on disk, RIFF or RF64.
struct HeaderLayout {
    bool rf64 = false;
    off_t factAt = -1;
    off_t dataStart = 0;
};

std::optional<HeaderLayout> readLayout(int descriptor) {
    std::array<unsigned char, headerRoom> header{};
    const ssize_t headerBytes = ::pread(descriptor, header.data(), header.size(), 0);
    if (headerBytes < 12) return std::nullopt;
    HeaderLayout layout{std::memcmp(header.data(), "RF64", 4) == 0};
    if (!layout.rf64 && std::memcmp(header.data(), "RIFF", 4) != 0) return std::nullopt;
    for (off_t at = 12; at + 8 <= headerBytes;) {
        const unsigned char* chunk = header.data() + at;
        const std::uint32_t size = readLittle32(chunk + 4);
        if (std::memcmp(chunk, "fact", 4) == 0) layout.factAt = at;
        if (std::memcmp(chunk, "data", 4) == 0) {
            layout.dataStart = at + 8;
            return layout;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

// Writes an RF64 header over the one before the frames, in the same room: RF64, ds64 with the
// true sizes, fmt, JUNK for what is left over, data; the 32-bit sizes say 0xFFFFFFFF. The
// library's header leaves 88 bytes (its PAD chunk), just enough. One pwrite, so a crash leaves
// the old header or the new one, never half of each.
bool writeRf64Header(int descriptor, off_t dataStart, std::uint64_t frames) {
    constexpr off_t smallest = 88;
    if (dataStart < smallest || dataStart > off_t{headerRoom} || dataStart % 2 != 0) return false;
    std::array<unsigned char, headerRoom> header{};
    std::size_t at = 0;
    const auto tag = [&](const char* id) {
        std::memcpy(header.data() + at, id, 4);
        at += 4;
    };
    const auto put = [&](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) header[at++] = static_cast<unsigned char>(value >> 8 * i);
    };
    constexpr std::uint64_t unknown32 = 0xFFFFFFFF, ieeeFloat = 3;
    const std::uint64_t dataBytes = frames * bytesPerFrame;
    tag("RF64"), put(unknown32, 4), tag("WAVE");
    tag("ds64"), put(28, 4), put(dataStart + dataBytes - 8, 8), put(dataBytes, 8), put(frames, 8), put(0, 4);
    tag("fmt "), put(16, 4), put(ieeeFloat, 2), put(AudioBuffer::channels, 2), put(engineSampleRate, 4);
    put(engineSampleRate * bytesPerFrame, 4), put(bytesPerFrame, 2), put(32, 2);
    tag("JUNK"), put(dataStart - smallest, 4);
    at = dataStart - 8;
    tag("data"), put(unknown32, 4);
    return ::pwrite(descriptor, header.data(), at, 0) == static_cast<ssize_t>(at);
}

// Past the threshold, writes the header as RF64 and returns true.
bool writeRf64IfPast(int descriptor, std::uint64_t frames, std::uint64_t threshold) {
    const auto layout = readLayout(descriptor);
    return layout && layout->dataStart + frames * bytesPerFrame > threshold &&
           writeRf64Header(descriptor, layout->dataStart, frames);
}

// Cuts the file to the whole frames that reached the disk and writes their count into the
// header: the RIFF, fact and data sizes, or the RF64 header past the threshold. Returns the
// frames kept.
std::uint64_t cutToWholeFrames(int descriptor, std::uint64_t threshold) {
    const auto layout = readLayout(descriptor);
    struct stat status {};
    if (!layout || ::fstat(descriptor, &status) != 0) return 0;
    const off_t dataStart = layout->dataStart;
    const std::uint64_t frames =
        status.st_size > dataStart ? static_cast<std::uint64_t>(status.st_size - dataStart) / bytesPerFrame : 0;
    const std::uint64_t dataBytes = frames * bytesPerFrame;
    if (::ftruncate(descriptor, dataStart + static_cast<off_t>(dataBytes)) != 0) return 0;
    if ((layout->rf64 || dataStart + dataBytes > threshold) && writeRf64Header(descriptor, dataStart, frames))
        return frames;
    writeLittle32(descriptor, dataStart - 4, dataBytes);
    writeLittle32(descriptor, 4, dataStart + dataBytes - 8);
    if (layout->factAt >= 0) writeLittle32(descriptor, layout->factAt + 8, frames);
    return frames;
}

}  // namespace

void WavFile::setRf64Threshold(std::uint64_t bytes) { rf64Threshold = bytes; }

bool WavFile::create(const std::string& path) {
    close();
    path_ = path;
    error_.clear();
    frames_ = 0;
    rf64Threshold_ = rf64Threshold;
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
    if (file_ && !writeRf64IfPast(descriptor_, frames_, rf64Threshold_))
        sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
}

void WavFile::close() {
    if (!file_) return;
    // The library writes its 32-bit header as it lets go; past the threshold it is put right at
    // once. Only a crash between the two could leave that header behind.
    sf_close(file_);
    file_ = nullptr;
    writeRf64IfPast(descriptor_, frames_, rf64Threshold_);
    ::close(descriptor_);
    descriptor_ = -1;
}

void WavFile::closeAfterWriteError() {
    // What the library makes of the header after a short write is its own affair: the file
    // is put right by hand once it has let go.
    sf_close(file_);
    file_ = nullptr;
    frames_ = cutToWholeFrames(descriptor_, rf64Threshold_);
    ::close(descriptor_);
    descriptor_ = -1;
}

}  // namespace zaffo
