// Layout and rendering of a screen the size the application draws: 200 x 60 cells,
// three bordered columns, a log, twenty instrument rows of eight coloured cells and
// scrolling lists, a few hundred elements in all.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScrollerBase.h"
#include "ui/custom_Border.h"

using namespace zaffo::ui;

namespace {

Element pane(const std::string& title, Element content) {
    return std::make_shared<custom_Border>(Elements{std::move(content), text(title)}, 0) | xflex;
}

Element names(const std::string& stem, int count) {
    Elements lines;
    for (int i = 0; i < count; ++i) lines.push_back(text(stem + std::to_string(i)));
    return vbox(std::move(lines)) | size(WIDTH, EQUAL, 20);
}

Element instrumentRows(int instruments) {
    Elements rows;
    for (int i = 0; i < instruments; ++i) {
        rows.push_back(text("> instrument" + std::to_string(i) + "     1.00 &0"));
        Elements cells;
        for (int step = 0; step < 8; ++step)
            cells.push_back(text(step % 2 ? " #5  " : " -   ") |
                            bgcolor(step == 3 ? Color::GrayLight : Color::GrayDark) | color(Color::White));
        rows.push_back(hbox(std::move(cells)));
    }
    return vbox(std::move(rows)) | hcenter;
}

Element mainView() {
    Elements log;
    for (int i = 0; i < 10; ++i) log.push_back(text("> kick #-#- message line " + std::to_string(i)) | bold);
    Element command = vbox({text(""), text("Command:"),
                            hbox({text("kick #5"), text(" ") | underlined, text("")}) | flex | inverted | frame | bold |
                                size(HEIGHT, EQUAL, 1),
                            text("") | bgcolor(Color::Default), text("")}) |
                      size(WIDTH, EQUAL, 48) | hcenter;
    return pane("Zaffo", vbox({vbox(std::move(log)) | size(WIDTH, EQUAL, 48) | hcenter, command, instrumentRows(20)}));
}

Element list(const std::string& stem, int count, int selected) {
    Element marker = vbox({text("") | size(HEIGHT, EQUAL, selected), text("") | focus});
    return dbox({names(stem, count), marker}) | vscroll_indicator | yframe | yflex;
}

Element wholeScreen() {
    Element settings = vbox({text("▣ Play"), text("☐ Record"), text("▣ Basic"), text("") | size(WIDTH, EQUAL, 20),
                             hbox({text("BPM   "), text("["), gauge(0.45f) | flex, text("]")}),
                             hbox({text("Volume"), text("["), gauge(0.8f) | flex, text("]")})});
    Element left =
        vbox({pane("Settings", settings) | size(HEIGHT, EQUAL, 8), pane("Parts", list("part", 12, 3)) | yflex});
    Element right = vbox({pane("Sample Packs", names("pack", 2) | size(HEIGHT, EQUAL, 2)) | yflex,
                          pane("Samples", list("sample", 80, 40)) | yflex});
    return hbox({left, mainView(), right});
}

void LayoutAndRender(benchmark::State& state) {
    Screen screen(200, 60);
    for (auto _ : state) {
        screen.clear();
        Render(screen, wholeScreen());
        benchmark::DoNotOptimize(screen.at(100, 30));
    }
}
BENCHMARK(LayoutAndRender)->Unit(benchmark::kMicrosecond);

void LayoutAndRenderOnly(benchmark::State& state) {
    Screen screen(200, 60);
    Element tree = wholeScreen();
    for (auto _ : state) {
        screen.clear();
        Render(screen, tree);
        benchmark::DoNotOptimize(screen.at(100, 30));
    }
}
BENCHMARK(LayoutAndRenderOnly)->Unit(benchmark::kMicrosecond);

void TextOfWideCharacters(benchmark::State& state) {
    std::string line;
    for (int i = 0; i < 40; ++i) line += "世界ab";
    Screen screen(200, 1);
    for (auto _ : state) {
        Render(screen, text(line));
        benchmark::DoNotOptimize(screen.at(10, 0));
    }
}
BENCHMARK(TextOfWideCharacters)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
