#pragma once

#include <cstdint>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace zaffo {

// A WAV file being written: IEEE float 32-bit, stereo, engineSampleRate. It holds no chunk
// with the time of writing, so the same frames always make the same bytes. A plain WAV counts
// its bytes in 32 bits: a file that grows past 4 GiB (93 minutes) gets an RF64 header instead,
// whose ds64 chunk holds the sizes in 64 bits, in the same room before the frames.
class WavFile {
public:
    static constexpr std::uint64_t defaultRf64Threshold = std::uint64_t{1} << 32;
    // For tests, which cannot write 4 GiB: files created afterwards are RF64 past `bytes`.
    static void setRf64Threshold(std::uint64_t bytes);

    WavFile() = default;
    ~WavFile() { close(); }

    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    // Creates the file, which must not exist yet: nothing already there is ever replaced, and a
    // failure removes only what it made. On failure no file is left and error() says why.
    bool create(const std::string& path);
    // Appends frames. On a write error (a full disk) the file is closed at once, cut to the
    // whole frames on disk with a header that says so, error() says why, and false comes back.
    bool write(const float* frames, std::uint64_t count);
    // Brings the header's sizes up to the frames written, so the file plays if the process dies.
    void updateHeader();
    // Completes the header and closes the file.
    void close();

    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    // Frames in the file, however many.
    std::uint64_t frames() const { return frames_; }
    const std::string& error() const { return error_; }

private:
    void closeAfterWriteError();

    SNDFILE* file_ = nullptr;
    int descriptor_ = -1;
    std::string path_;
    std::string error_;
    std::uint64_t frames_ = 0;
    std::uint64_t rf64Threshold_ = defaultRf64Threshold;
};

}  // namespace zaffo
