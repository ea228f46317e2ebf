#pragma once

#include <cstdint>

namespace zaffo::ui {

// The 16-colour terminal palette; Default leaves the terminal's own colour.
enum class Color : std::uint8_t {
    Black = 0,
    Red,
    Green,
    Yellow,
    Blue,
    Magenta,
    Cyan,
    GrayLight,
    GrayDark,
    RedLight,
    GreenLight,
    YellowLight,
    BlueLight,
    MagentaLight,
    CyanLight,
    White,
    Default = 255,
};

}  // namespace zaffo::ui
