#include "app/RenderCommand.h"

#include "audio/AudioBuffer.h"
#include "audio/WavFile.h"
#include "core/Core.h"
#include "core/OfflineRender.h"
#include "sequencer/Random.h"
#include "sequencer/Sequencer.h"

#include <unistd.h>
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
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
    }
    ~InterruptWatch() {
        for (size_t i = 0; i < signals.size(); ++i) sigaction(signals[i], &previous_[i], nullptr);
    }

private:
    static constexpr std::array<int, 3> signals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_{};
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

// The file being written: gone again, whatever ends the render, unless it was renamed into place.
struct PartialFile {
    std::string path;
    bool renamed = false;
    ~PartialFile() {
        std::error_code ignored;
        if (!renamed) std::filesystem::remove(path, ignored);
    }
};

int fail(const std::string& reason, int status = 1) {
    std::cerr << "error: " << reason << std::endl;
    return status;
}

}  // namespace

int renderCommand(const RenderOptions& options, const std::string& basePath) {
    InterruptWatch watch;
    const auto composition = findComposition(options.composition, basePath);
    if (!composition) return fail("no composition named " + options.composition);
    const std::filesystem::path output =
        options.output.empty() ? defaultOutput(*composition) : std::filesystem::path(options.output);

    // No watcher and no sound card: the render reads the pack once and plays through its own device.
    Core core(basePath, Core::Mode::offline, [](const AnswerLine&) {});
    CommandOutput unheard;
    if (!core.openComposition(composition->string(), unheard))
        return fail(composition->string() + " holds no composition");
    const std::vector<std::string> parts = core.sequencer().getPartNames();
    for (const RenderSection& section : options.sections)
        if (!section.part.empty() && std::find(parts.begin(), parts.end(), section.part) == parts.end())
            return fail("no part named " + section.part + " in " + composition->string());
    if (options.seed) seedRandomEngine(*options.seed);

    // Written beside the target and renamed into place, so the target is whole or untouched.
    PartialFile partial{output.string() + "." + std::to_string(::getpid()) + ".partial"};
    WavFile file;
    if (!file.create(partial.path)) return fail("cannot write " + output.string() + ": " + file.error());
    RenderOutcome outcome;
    {
        ProgressBar bar;
        outcome = renderSections(core, options.sections, file, [&bar](double done) {
            bar.show(done);
            return interrupted == 0;
        });
    }
    file.close();
    if (outcome == RenderOutcome::stopped) return fail("interrupted; nothing written", 130);
    if (outcome == RenderOutcome::writeFailed) return fail("cannot write " + output.string() + ": " + file.error());
    std::error_code renamed;
    std::filesystem::rename(partial.path, output, renamed);
    if (renamed) return fail("cannot write " + output.string() + ": " + renamed.message());
    partial.renamed = true;
    std::printf("%s: %.1f s\n", output.c_str(), static_cast<double>(file.frames()) / engineSampleRate);
    return 0;
}

}  // namespace zaffo
