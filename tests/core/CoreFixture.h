#pragma once

#include "audio/AudioEngine.h"
#include "core/CommandRunner.h"
#include "core/Core.h"
#include "sequencer/Sequencer.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zaffo::testing {

using Rows = std::vector<std::string>;
using test::waitUntil;

// A mono sound file of `frames` samples at half scale.
inline void writeWav(const std::string& path, int frames = 480, int rate = 96000,
                     int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    ASSERT_TRUE(test::writeSoundFile(path, format, rate, 1, frames, [](auto, int) { return 0.5f; })) << path;
}

// The texts of the lines; with `markBold`, a bold line begins with '*'.
inline Rows textsOf(const std::vector<AnswerLine>& lines, bool markBold = false) {
    Rows rows;
    for (const AnswerLine& line : lines)
        rows.push_back((markBold && line.style == LineStyle::bold ? "*" : "") + line.text);
    return rows;
}

// A base folder of its own with short WAV files in samples/default and samples/other.
class PackFolderTest : public ::testing::Test {
protected:
    PackFolderTest() {
        std::filesystem::create_directories(pack("other"));
        std::filesystem::create_directories(pack("default"));
        for (const char* name : {"kick", "snare", "hh"}) writeWav(pack("default") + "/" + name + ".wav");
        writeWav(pack("other") + "/boom.wav");
        writeFile(pack("other") + "/readme.txt", "The other pack.\nIt booms.\n\nNot shown.\n");
    }

    std::string pack(const std::string& name) const { return base + "/samples/" + name; }

    TempFolder folder;
    const std::string base = folder.path();
};

// A core on the pack folder once started, and its commands.
class CoreTest : public PackFolderTest {
protected:
    Core& start(Core::Mode mode = Core::Mode::live) {
        core = std::make_unique<Core>(base, mode, [this](const AnswerLine& line) {
            std::lock_guard lock(noticeMutex);
            noticeLines.push_back(line);
        });
        commands = std::make_unique<CommandRunner>(*core, tutorialStep);
        return *core;
    }
    CommandAnswer run(const std::string& line) { return commands->run(line); }
    // The texts of the answer of `line`, which must succeed.
    Rows answer(const std::string& line) {
        const CommandAnswer answer = run(line);
        EXPECT_TRUE(answer.ok) << line << ": " << answer.text();
        return textsOf(answer.lines);
    }
    Rows notices() {
        std::lock_guard lock(noticeMutex);
        return textsOf(noticeLines);
    }
    bool listed(const std::string& name) {
        const Rows names = core->samples().names();
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    std::mutex noticeMutex;
    std::vector<AnswerLine> noticeLines;
    std::unique_ptr<Core> core;
    uint32_t tutorialStep = 0;
    std::unique_ptr<CommandRunner> commands;
};

}  // namespace zaffo::testing
