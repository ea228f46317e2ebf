#pragma once

#include "app/App.h"
#include "audio/AudioEngine.h"
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"
#include "ui/Elements.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zaffo::testing {

// A base folder of its own with samples/default holding short WAV files, and an App on it.
class AppTest : public ::testing::Test {
protected:
    AppTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-app-XXXXXX").string();
        base = ::mkdtemp(pattern.data());
        std::filesystem::create_directories(base + "/samples/default");
        std::filesystem::create_directories(base + "/samples/other");
        for (const char* name : {"kick", "snare", "hh"}) writeWav(pack("default") + "/" + name + ".wav");
        writeWav(pack("other") + "/boom.wav");
        writeText(pack("other") + "/readme.txt", "The other pack.\nIt booms.\n\nNot shown.\n");
    }

    ~AppTest() override {
        app.reset();
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    }

    App& start() {
        app = std::make_unique<App>(base);
        return *app;
    }

    std::string pack(const std::string& name) const { return base + "/samples/" + name; }

    static void writeWav(const std::string& path, int frames = 480) {
        SF_INFO info{};
        info.samplerate = 96000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << path;
        std::vector<float> samples(frames, 0.5f);
        sf_writef_float(file, samples.data(), frames);
        sf_close(file);
    }

    static void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

    static std::string readText(const std::string& path) {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    ParseResult run(const std::string& line) { return app->commandParser().parse(line); }

    // The visible log after committing `line`, one row per entry, trailing blanks cut.
    std::vector<std::string> commitAndRead(const std::string& line) {
        ParseResult result = run(line);
        EXPECT_TRUE(result.ok) << line << ": " << result.message;
        app->messageLog().commitCommand(std::wstring(line.begin(), line.end()), result.message);
        return logRows();
    }

    std::vector<std::string> logRows() {
        auto lines = app->messageLog().lines();
        ui::Screen screen(120, static_cast<int>(lines.size()));
        ui::Render(screen, ui::vbox(lines));
        std::vector<std::string> rows;
        std::string text = screen.toString();
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string row = text.substr(start, end - start);
            row.erase(row.find_last_not_of(' ') + 1);
            rows.push_back(row);
            start = end + 1;
        }
        return rows;
    }

    // Waits up to five seconds for a condition that another thread makes true.
    template <typename Condition>
    static bool eventually(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return condition();
    }

    std::string base;
    std::unique_ptr<App> app;
};

}  // namespace zaffo::testing
