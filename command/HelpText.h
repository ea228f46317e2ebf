#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zaffo {

// The help text of a topic; an unknown or empty topic gives the list of topics.
std::vector<std::string> helpLines(const std::string& topic);

// The tutorial page that `tutorialStep` selects. Advances the counter, and wraps it to the
// first page after the last one.
std::vector<std::string> nextTutorialLines(uint32_t& tutorialStep);

}  // namespace zaffo
