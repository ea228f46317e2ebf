#include "app/RenderCommand.h"

#include "app/QuietStandardError.h"
#include "audio/AudioBuffer.h"
#include "audio/WavFile.h"
#include "core/Core.h"
#include "core/OfflineRender.h"
#include "files/RegularFile.h"
#include "sequencer/Random.h"
#include "sequencer/Sequencer.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

namespace zaffo {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void noteInterrupt(int) { interrupted = 1; }

// Ctrl+C, SIGTERM and SIGHUP end the render instead of the process, so its file can go.
class InterruptWatch {
public:
    InterruptWatch() {
        struct sigaction action {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < signals.size(); ++i) sigaction(signals[i], &action, &previous_[i]);
        // A reader that goes away from a stream makes the write fail, not the process end.
        previousPipe_ = std::signal(SIGPIPE, SIG_IGN);
    }
    ~InterruptWatch() {
        for (size_t i = 0; i < signals.size(); ++i) sigaction(signals[i], &previous_[i], nullptr);
        std::signal(SIGPIPE, previousPipe_);
    }

private:
    static constexpr std::array<int, 3> signals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_{};
    void (*previousPipe_)(int) = SIG_DFL;
};

// A bar on standard error, drawn only when someone watches it there.
class ProgressBar {
public:
    ProgressBar() : shown_(::isatty(STDERR_FILENO) == 1) {}
    ~ProgressBar() {
        if (shown_ && drawn_ >= 0) std::fprintf(stderr, "\r%*s\r", width + 8, "");
    }

    void show(double done) {
        const int percent = static_cast<int>(done * 100);
        if (!shown_ || percent == drawn_) return;
        drawn_ = percent;
        const int filled = percent * width / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(width - filled, ' ').c_str(), percent);
        std::fflush(stderr);
    }

private:
    static constexpr int width = 40;
    bool shown_;
    int drawn_ = -1;
};

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The composition named on the command line: as given or with ".json", from the current
// folder, then from the base folder.
std::optional<std::filesystem::path> findComposition(const std::string& name, const std::string& basePath) {
    std::vector<std::filesystem::path> candidates{name, name + ".json"};
    if (std::filesystem::path(name).is_relative()) {
        candidates.push_back(std::filesystem::path(basePath) / name);
        candidates.push_back(std::filesystem::path(basePath) / (name + ".json"));
    }
    for (const auto& candidate : candidates)
        if (isFile(candidate)) return candidate;
    return std::nullopt;
}

std::filesystem::path defaultOutput(std::filesystem::path composition) {
    if (composition.extension() == ".json") return composition.replace_extension(".wav");
    return composition += ".wav";
}

// Where the render goes, decided before anything is written. A regular file, or a name that is
// free, is replaced by renaming a whole new file onto it; a link is followed and its target
// replaced so, the link kept. A FIFO, a character device or standard output ("-") is written into
// as a stream, once the file is whole. Anything else is left alone.
struct Destination {
    std::filesystem::path file{};    // the regular file to replace or make
    std::filesystem::path stream{};  // what to write into; "-" for standard output
    std::string refusal{};           // why nothing can be written there
};

Destination destinationOf(const std::filesystem::path& output) {
    if (output == "-" || output == "/dev/stdout") return {.stream = "-"};
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(output, error);
    switch (status.type()) {
        case std::filesystem::file_type::not_found:
        case std::filesystem::file_type::regular: {
            // Through a link, the file it names is replaced, in its own folder.
            const bool linked = std::filesystem::is_symlink(std::filesystem::symlink_status(output, error));
            return {.file = linked ? std::filesystem::weakly_canonical(output, error) : output};
        }
        case std::filesystem::file_type::fifo:
        case std::filesystem::file_type::character:
            return {.stream = output};
        case std::filesystem::file_type::directory:
            return {.refusal = "it is a folder"};
        default:
            return {.refusal = error ? error.message() : "it is not a file to write into"};
    }
}

// Copies the whole file into the stream, from its first byte. False, with errno set, when a
// write fails (the reader went away, the device refused).
bool copyInto(const std::string& from, const std::filesystem::path& stream) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out =
        stream == "-" ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0) : ::open(stream.c_str(), O_WRONLY | O_CLOEXEC);
    bool copied = in >= 0 && out >= 0;
    std::vector<char> block(1 << 20);
    while (copied) {
        const ssize_t got = ::read(in, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = writeAll(out, block.data(), static_cast<std::size_t>(got));
    }
    const int saved = errno;
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
    errno = saved;
    return copied;
}

// The file being written: gone again, whatever ends the render, unless it was renamed into place.
struct PartialFile {
    std::string path;
    bool renamed = false;
    ~PartialFile() {
        std::error_code ignored;
        if (!renamed) std::filesystem::remove(path, ignored);
    }
};

// The stems of a render in their folder: each written beside its name and renamed into place
// once the render is done and it sounded; whatever was not renamed goes again.
class StemFolder : public StemFiles {
public:
    StemFolder(std::filesystem::path folder, bool force) : folder_(std::move(folder)), force_(force) {}
    ~StemFolder() override {
        std::error_code ignored;
        for (const Stem& stem : stems_)
            if (!stem.renamed) std::filesystem::remove(stem.file->path(), ignored);
    }

    // An instrument called "mix" does not take the mix's place.
    static std::string fileName(const std::string& instrument) {
        return (instrument == "mix" ? "mix (instrument)" : instrument) + ".wav";
    }

    WavFile* create(const std::string& instrument) override {
        auto file = std::make_unique<WavFile>();
        const std::filesystem::path target = folder_ / fileName(instrument);
        if (!file->create(target.string() + "." + std::to_string(::getpid()) + ".partial")) {
            error_ = "cannot write " + target.string() + ": " + file->error();
            return nullptr;
        }
        stems_.push_back({instrument, target, std::move(file)});
        return stems_.back().file.get();
    }
    void finished(const std::string& instrument, bool sounded) override {
        for (Stem& stem : stems_)
            if (stem.instrument == instrument) stem.sounded = sounded;
    }

    const std::string& error() const { return error_; }
    // Closes the stems; refuses, before anything is renamed, when a file of the same name is there.
    std::string closeAll() {
        for (Stem& stem : stems_) {
            stem.file->close();
            if (stem.sounded && !force_ &&
                std::filesystem::symlink_status(stem.target).type() != std::filesystem::file_type::not_found)
                return stem.target.string() + " is there already (--force replaces it)";
        }
        return "";
    }
    // Renames the stems that sounded into place; how many.
    std::size_t renameAll(std::string& error) {
        std::size_t renamed = 0;
        for (Stem& stem : stems_) {
            if (!stem.sounded) continue;
            std::error_code failed;
            std::filesystem::rename(stem.file->path(), stem.target, failed);
            if (failed) {
                error = "cannot write " + stem.target.string() + ": " + failed.message();
                return renamed;
            }
            stem.renamed = true;
            ++renamed;
        }
        return renamed;
    }

private:
    struct Stem {
        std::string instrument;
        std::filesystem::path target;
        std::unique_ptr<WavFile> file;
        bool sounded = false;
        bool renamed = false;
    };

    std::filesystem::path folder_;
    bool force_;
    std::vector<Stem> stems_;
    std::string error_;
};

// The folder for the stems, made when missing.
std::string makeStemFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder))
        return "cannot make the folder " + folder.string() +
               (error ? ": " + error.message() : ": something else is there");
    return "";
}

int fail(const std::string& reason, int status = 1) {
    std::cerr << "zaffo: " << reason << std::endl;
    return status;
}

}  // namespace

int renderCommand(const RenderOptions& options, const std::string& basePath) {
    InterruptWatch watch;
    const auto composition = findComposition(options.composition, basePath);
    if (!composition) return fail("no composition named " + options.composition);
    const bool withStems = !options.stems.empty();
    // With stems, the mix goes beside them unless told otherwise.
    const std::filesystem::path output = !options.output.empty() ? std::filesystem::path(options.output)
                                         : withStems             ? std::filesystem::path(options.stems) / "mix.wav"
                                                                 : defaultOutput(*composition);
    if (withStems) {
        if (const std::string error = makeStemFolder(options.stems); !error.empty()) return fail(error);
        if (!options.force && isFile(output) && options.output.empty())
            return fail(output.string() + " is there already (--force replaces it)");
    }

    // No watcher and no sound card: the render reads the pack once and plays through its own device.
    std::vector<AnswerLine> said;
    std::unique_ptr<Core> loaded;
    bool opened = false;
    {
        // The decoders' own complaints would drown what the render says; what the core says of
        // the files it passes over follows, a line for each.
        QuietStandardError quiet;
        loaded = std::make_unique<Core>(basePath, Core::Mode::offline,
                                        [&said](const AnswerLine& line) { said.push_back(line); });
        CommandOutput output;
        opened = loaded->openComposition(composition->string(), output);
        for (AnswerLine& line : output.take()) said.push_back(std::move(line));
    }
    for (const AnswerLine& line : said) std::cerr << "zaffo: warning: " << line.text << "\n";
    Core& core = *loaded;
    if (!opened) return fail(composition->string() + " holds no composition");
    const std::vector<std::string> parts = core.sequencer().getPartNames();
    for (const RenderSection& section : options.sections)
        if (!section.part.empty() && std::find(parts.begin(), parts.end(), section.part) == parts.end())
            return fail("no part named " + section.part + " in " + composition->string());
    if (options.seed) seedRandomEngine(*options.seed);

    const Destination destination = destinationOf(output);
    if (!destination.refusal.empty()) return fail("cannot write " + output.string() + ": " + destination.refusal);
    // Written beside the target and renamed into place, so the target is whole or untouched. A
    // stream gets the whole file, from where it waits in the temporary folder, at the end.
    const std::string pid = std::to_string(::getpid());
    PartialFile partial{destination.stream.empty()
                            ? destination.file.string() + "." + pid + ".partial"
                            : (std::filesystem::temp_directory_path() / ("zaffo-render-" + pid + ".wav")).string()};
    WavFile file;
    if (!file.create(partial.path)) return fail("cannot write " + output.string() + ": " + file.error());
    RenderOutcome outcome;
    StemFolder stems(options.stems, options.force);
    {
        ProgressBar bar;
        outcome = renderSections(
            core, options.sections, file,
            [&bar](double done) {
                bar.show(done);
                return interrupted == 0;
            },
            withStems ? &stems : nullptr);
    }
    file.close();
    if (outcome == RenderOutcome::stopped) return fail("interrupted; nothing written", 130);
    if (outcome == RenderOutcome::writeFailed && !stems.error().empty()) return fail(stems.error());
    if (outcome == RenderOutcome::writeFailed) return fail("cannot write " + output.string() + ": " + file.error());
    if (const std::string refusal = stems.closeAll(); !refusal.empty()) return fail(refusal);
    const double seconds = static_cast<double>(file.frames()) / engineSampleRate;
    const auto renameStems = [&] {
        if (!withStems) return 0;
        std::string error;
        const std::size_t count = stems.renameAll(error);
        if (!error.empty()) return fail(error);
        std::fprintf(destination.stream == "-" ? stderr : stdout, "%s: %zu stems of %.1f s\n", options.stems.c_str(),
                     count, seconds);
        return 0;
    };
    if (!destination.stream.empty()) {
        if (!copyInto(partial.path, destination.stream))
            return fail("cannot write " + output.string() + ": " + std::strerror(errno));
        // Standard output holds the sound: the summary goes where messages go.
        std::fprintf(destination.stream == "-" ? stderr : stdout, "%s: %.1f s\n", output.c_str(), seconds);
        return renameStems();
    }
    std::error_code renamed;
    std::filesystem::rename(partial.path, destination.file, renamed);
    if (renamed) return fail("cannot write " + output.string() + ": " + renamed.message());
    partial.renamed = true;
    std::printf("%s: %.1f s\n", output.c_str(), seconds);
    return renameStems();
}

}  // namespace zaffo
