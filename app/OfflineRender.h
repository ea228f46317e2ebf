#pragma once

#include "app/CommandLine.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zaffo {

class App;
class WavFile;

// Frames of one period when rendering offline.
inline constexpr std::uint32_t renderPeriodFrames = 1024;

enum class RenderOutcome { done, stopped, writeFailed };

// Plays the App's live state through its own clock and engine, period after period with no
// device, and writes what sounds into `file`: the sections one after another from the first
// step to the end of the last measure, then the voices still sounding until they end, ten
// seconds at most. The first section's part is recalled at the start; each later one is cued
// to begin on its first measure. Every part named must exist. `progress` hears the share of
// measures done after every period and stops the render by returning false.
RenderOutcome renderSections(App& app, const std::vector<RenderSection>& sections, WavFile& file,
                             const std::function<bool(double done)>& progress);

}  // namespace zaffo
