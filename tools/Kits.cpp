#include "tools/Kits.h"

#include "tools/Drums.h"

namespace zaffo::packgen {
namespace {

Kit defaultKit() {
    Kit kit{"default", FileFormat::Wav, {}, {}};
    kit.hits = {
        {"kick",
         [] {
             return kick({150, 48, 0.035, 0.2, 0.6, 0.25, 1.4});
         }},
        {"snare",
         [] {
             return snare({185, 0.05, 0.6, 0.08, 3500, 0.35});
         }},
        {"hh",
         [] {
             return hat({1.0, 0.03, 0.12, 10000});
         }},
        {"oh",
         [] {
             return hat({1.0, 0.2, 0.6, 10000});
         }},
        {"clap",
         [] {
             return clap({1200, 0.09, 0.4, 5});
         }},
        {"percy",
         [] {
             return perc({523.25, 2.76, 0.5, 0.16, 0.5});
         }},
        {"tom",
         [] {
             return tom({180, 105, 0.2, 0.5});
         }},
        {"rim", [] { return rim(0.08); }},
        {"cowbell", [] { return cowbell(0.4); }},
    };
    kit.readme =
        "default: a clean electronic kit for Zaffo.\n"
        "Samples: kick snare hh oh clap percy tom\n"
        "         rim cowbell\n"
        "percy is tuned to C; shift it by semitones:\n"
        "  percy #0#3#5#7#-#10#12\n"
        "\n"
        "Made by zaffo-packgen at build time. Drop your\n"
        "own wav or mp3 files here, or make a folder of\n"
        "your own beside this one: each folder is a pack.\n";
    return kit;
}

void withCrunch(Signal& s) {
    drive(s, 2.5);
    crunch(s, 8, 2);
}

Kit tarvikKit() {
    Kit kit{"tarvik", FileFormat::Mp3, {}, {}};
    kit.hits = {
        {"kick",
         [] {
             auto s = kick({230, 42, 0.02, 0.2, 0.8, 0.4, 4.0});
             crunch(s, 8, 2);
             return s;
         }},
        {"snare",
         [] {
             auto s = snare({160, 0.07, 0.8, 0.14, 2200, 0.45});
             withCrunch(s);
             return s;
         }},
        {"hh",
         [] {
             auto s = hat({1.35, 0.022, 0.09, 8000});
             crunch(s, 8, 2);
             return s;
         }},
        {"oh",
         [] {
             auto s = hat({1.35, 0.3, 0.8, 8000});
             crunch(s, 8, 2);
             return s;
         }},
        {"clap",
         [] {
             auto s = clap({900, 0.16, 0.55, 7});
             withCrunch(s);
             return s;
         }},
        {"percy",
         [] {
             return perc({392.0, 5.4, 0.7, 0.25, 0.7});
         }},
        {"tom",
         [] {
             auto s = tom({140, 70, 0.18, 0.7});
             drive(s, 2.0);
             return s;
         }},
        {"shaker", [] { return shaker(0.2); }},
        {"zap", [] { return zap(2400, 90, 0.3); }},
    };
    kit.readme =
        "tarvik: a dark, crunchy kit with a driven kick\n"
        "and a gritty snare.\n"
        "Samples: kick snare hh oh clap percy tom\n"
        "         shaker zap\n"
        "percy is a kalimba-like G; try:\n"
        "  percy #0#2#-#5#7#-#-#12\n"
        "\n"
        "Made by zaffo-packgen at build time, as mp3.\n";
    return kit;
}

}  // namespace

std::vector<Kit> bundledKits() { return {defaultKit(), tarvikKit()}; }

}  // namespace zaffo::packgen
