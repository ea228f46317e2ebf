#pragma once

#include <string>

#include "ui/Elements.h"

namespace zaffo::ui::testing {

// Renders the element into a fresh grid and returns the grid as text.
inline std::string renderToText(const Element& element, int width, int height) {
  Screen screen(width, height);
  Render(screen, element);
  return screen.toString();
}

}  // namespace zaffo::ui::testing
