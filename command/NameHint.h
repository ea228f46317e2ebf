#pragma once

#include <string>
#include <vector>

namespace zaffo {

// The names that look most like a mistyped one, closest first: those a letter or two away, case
// aside, and those that begin with it. At most `most` of them.
std::vector<std::string> closestNames(const std::string& typed, const std::vector<std::string>& names, size_t most = 2);

// ", did you mean kick?" (or "kick or kicks?") for the closest names; empty when none is close.
std::string didYouMean(const std::string& typed, const std::vector<std::string>& names);

}  // namespace zaffo
