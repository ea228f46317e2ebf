#pragma once

#include "tools/Dsp.h"

#include <functional>
#include <string>
#include <vector>

namespace zaffo::packgen {

enum class FileFormat { Wav, Mp3 };

struct Hit {
    std::string name;
    std::function<Signal()> make;
};

struct Kit {
    std::string name;
    FileFormat format;
    std::vector<Hit> hits;
    std::string readme;  // its first paragraph is what the program shows when the pack is chosen
};

// "default": a clean electronic kit as WAV. "tarvik": a darker, crunchier kit as MP3.
std::vector<Kit> bundledKits();

}  // namespace zaffo::packgen
