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

// Where a render's stems go: a file for each instrument whose voices were started, made the first
// time the render writes after its first voice; the frames before it are written as silence.
class StemFiles {
public:
    virtual ~StemFiles() = default;
    // A new file for the instrument's stem, or null when it cannot be made (the render fails).
    virtual WavFile* create(const std::string& instrument) = 0;
    // Once the render is done: whether the stem ever held a frame other than silence.
    virtual void finished(const std::string& instrument, bool sounded) = 0;
};

// Plays the core's live state through its own clock and engine, period after period through an
// offline device (no timer: as fast as it goes), and writes what sounds into `file`: the
// sections one after another from the first step to the end of the last measure, then the
// voices still sounding until they end, ten seconds at most. The first section's part is recalled at the start; each
// later one is cued to begin on its first measure. Every part named must exist. `progress` hears the share of measures
// done after every period and stops the render by returning false. With `stems`, the same pass writes each
// instrument's voices into its own stem, as long as the mix and from the same first frame; the stems add up to the
// mix as the voices leave it.
RenderOutcome renderSections(Core& core, const std::vector<RenderSection>& sections, WavFile& file,
                             const std::function<bool(double done)>& progress, StemFiles* stems = nullptr);

}  // namespace zaffo
