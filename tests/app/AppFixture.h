#pragma once

#include "app/App.h"
#include "audio/AudioEngine.h"
#include "sequencer/Sequencer.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "ui/Elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zaffo::testing {

using Rows = std::vector<std::string>;
using test::waitUntil;

// Each element drawn on a row of its own, trailing blanks cut; with `markBold`, a bold row begins with '*'.
inline Rows renderRows(const std::vector<ui::Element>& lines, bool markBold = false) {
    Rows rows;
    for (const ui::Element& line : lines) {
        ui::Screen screen(120, 1);
        ui::Render(screen, line);
        std::string row = screen.toString();
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(markBold && screen.at(0, 0).bold ? "*" + row : row);
    }
    return rows;
}

// A mono sound file of `frames` samples at half scale.
inline void writeWav(const std::string& path, int frames = 480, int rate = 96000,
                     int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    ASSERT_TRUE(test::writeSoundFile(path, format, rate, 1, frames, [](auto, int) { return 0.5f; })) << path;
}

// A base folder of its own with short WAV files in samples/default and samples/other, and an App on it once started.
class AppTest : public ::testing::Test {
protected:
    AppTest() {
        std::filesystem::create_directories(pack("other"));
        std::filesystem::create_directories(pack("default"));
        for (const char* name : {"kick", "snare", "hh"}) writeWav(pack("default") + "/" + name + ".wav");
        writeWav(pack("other") + "/boom.wav");
        writeFile(pack("other") + "/readme.txt", "The other pack.\nIt booms.\n\nNot shown.\n");
    }

    App& start() {
        app = std::make_unique<App>(base);
        return *app;
    }
    std::string pack(const std::string& name) const { return base + "/samples/" + name; }
    CommandAnswer run(const std::string& line) { return app->commands().run(line); }
    Rows logRows() { return renderRows(app->messageLog().lines()); }
    bool listed(const std::string& name) {
        const Rows names = app->core().samples().names();
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    // The visible log after committing `line`, which must succeed.
    Rows commitAndRead(const std::string& line) {
        const CommandAnswer answer = run(line);
        EXPECT_TRUE(answer.ok) << line << ": " << answer.text();
        app->messageLog().commitCommand(std::wstring(line.begin(), line.end()), answer);
        return logRows();
    }

    TempFolder folder;
    const std::string base = folder.path();
    std::unique_ptr<App> app;
};

}  // namespace zaffo::testing
