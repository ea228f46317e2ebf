// A composition of 100,000 instruments: loading it, drawing a screen with it, and a command.

#include "app/App.h"
#include "app/AppScreen.h"
#include "command/CommandParser.h"
#include "ui/Elements.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int instruments = 100'000;

// A base folder holding many.json; the App on it has the loaded composition.
class ManyInstruments {
public:
    ManyInstruments() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-bench-XXXXXX").string();
        base = ::mkdtemp(pattern.data());
        std::ofstream file(base + "/many.json");
        file << "{\"bpm\": 120, \"parts\": {}, \"activeInstruments\": [";
        for (int i = 0; i < instruments; ++i) {
            file << (i ? "," : "") << "{\"mute\": false, \"name\": \"i" << i
                 << "\", \"patternRaw\": \"#-#3-#-#\", \"rand\": 0, \"volume\": 1}";
        }
        file << "]}";
        file.close();
        app = std::make_unique<zaffo::App>(base);
    }
    ~ManyInstruments() {
        app.reset();
        std::filesystem::remove_all(base);
    }

    bool run(const std::string& line) { return app->commands().run(line).ok; }

    std::string base;
    std::unique_ptr<zaffo::App> app;
};

void BM_LoadHundredThousandInstruments(benchmark::State& state) {
    ManyInstruments many;
    for (auto _ : state) {
        if (!many.run("load many")) state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_LoadHundredThousandInstruments)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DrawScreenOverHundredThousandInstruments(benchmark::State& state) {
    ManyInstruments many;
    many.run("load many");
    zaffo::AppScreen screen(many.app->core(), many.app->messageLog(), many.app->commands());
    zaffo::ui::Screen grid(200, 50);
    for (auto _ : state) {
        zaffo::ui::Render(grid, screen.root()->Render());
    }
}
BENCHMARK(BM_DrawScreenOverHundredThousandInstruments)->Unit(benchmark::kMillisecond);

void BM_CommandAmongHundredThousandInstruments(benchmark::State& state) {
    ManyInstruments many;
    many.run("load many");
    for (auto _ : state) {
        many.run("i99999 #-#-");
    }
}
BENCHMARK(BM_CommandAmongHundredThousandInstruments)->Unit(benchmark::kMillisecond);

}  // namespace
