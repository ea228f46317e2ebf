#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zaffo {

class Core;
class WavFile;

// Measures of one part, or of the live instruments when the part's name is empty.
struct RenderSection {
    std::string part;
    int measures = 0;
};

// Frames of one period when rendering offline.
inline constexpr std::uint32_t renderPeriodFrames = 1024;

enum class RenderOutcome { done, stopped, writeFailed };

// Plays the core's live state through its own clock and engine, period after period through an
// offline device (no timer: as fast as it goes), and writes what sounds into `file`: the
// sections one after another from the first step to the end of the last measure, then the
// voices still sounding until they end, ten seconds at most. The first section's part is recalled at the start; each
// later one is cued to begin on its first measure. Every part named must exist. `progress` hears the share of measures
// done after every period and stops the render by returning false.
RenderOutcome renderSections(Core& core, const std::vector<RenderSection>& sections, WavFile& file,
                             const std::function<bool(double done)>& progress);

}  // namespace zaffo
