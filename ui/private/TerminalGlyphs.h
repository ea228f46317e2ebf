#pragma once

#include <string>

namespace zaffo::ui {

// What stands in for a glyph on a terminal that takes ASCII only: frames of "+", "-" and "|",
// check boxes of "x" and "-", gauges of "#" and "=", "." for an ellipsis, and "?" for any other
// character that is not ASCII.
std::string asciiGlyph(const std::string& glyph);

}  // namespace zaffo::ui
