#include "core/OfflineRender.h"

#include "audio/AudioEngine.h"
#include "audio/OfflineDevice.h"
#include "audio/WavFile.h"
#include "core/Core.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <optional>

namespace zaffo {
namespace {

constexpr std::uint64_t tailLimitFrames = std::uint64_t{10} * engineSampleRate;
// Frames gathered before they go to the file in one write.
constexpr std::size_t writeFrames = 64 * renderPeriodFrames;

// Reads the clock's reports: counts the steps as they begin, notes where the last measure
// ends, and silences every step after it.
class StepCounter : public PeriodReader {
public:
    StepCounter(Core& core, std::int64_t totalSteps) : core_(core), totalSteps_(totalSteps) {
        core.addPeriodReader(*this);
    }
    ~StepCounter() override { core_.removePeriodReader(*this); }

    void readPeriod(PeriodReport& report) override {
        const std::vector<ClockEvent>& events = report.events();
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].kind != ClockEvent::Kind::step) continue;
            // The steps after the last measure sound nothing; the first of them ends the render.
            if (begun_ >= totalSteps_) report.dropTriggersFrom(i);
            if (begun_ == totalSteps_) endFrame_ = periodStart_ + events[i].frame;
            ++begun_;
        }
    }

    void nextPeriod(std::int64_t start) { periodStart_ = start; }
    std::int64_t stepsBegun() const { return begun_; }
    bool ended() const { return endFrame_ >= 0; }
    std::int64_t endFrame() const { return endFrame_; }

private:
    Core& core_;
    std::int64_t totalSteps_;
    std::int64_t begun_ = 0;
    std::int64_t periodStart_ = 0;
    std::int64_t endFrame_ = -1;
};

// Frames on their way to the file, counted from the file's first frame. The engine's output
// comes limiterDelayFrames late: those first frames are left out, so that the file starts where
// the clock does. The tail is held back until it is over, so that its silent end can be left out.
class PendingFrames {
public:
    explicit PendingFrames(WavFile& file) : file_(file) {}

    void add(const float* frames, std::uint32_t count) {
        const std::uint32_t skipped = std::min(count, toSkip_);
        toSkip_ -= skipped;
        samples_.insert(samples_.end(), frames + std::size_t{skipped} * 2, frames + std::size_t{count} * 2);
    }
    // The tail begins at `frame` of the file, which has not been written yet.
    void startTailAt(std::uint64_t frame) { tailStart_ = (frame - written_) * 2; }
    std::uint64_t tailFrames() const {
        return tailStart_ && samples_.size() > *tailStart_ ? (samples_.size() - *tailStart_) / 2 : 0;
    }
    bool writeIfFull() { return tailStart_ || samples_.size() < writeFrames * 2 || writeAll(); }

    bool finish() {
        if (tailStart_) {
            samples_.resize(std::min(samples_.size(), *tailStart_ + tailLimitFrames * 2));
            while (samples_.size() > *tailStart_ && samples_[samples_.size() - 1] == 0 &&
                   samples_[samples_.size() - 2] == 0)
                samples_.resize(samples_.size() - 2);
        }
        return writeAll();
    }

private:
    bool writeAll() {
        const bool written = samples_.empty() || file_.write(samples_.data(), samples_.size() / 2);
        written_ += samples_.size() / 2;
        samples_.clear();
        return written;
    }

    WavFile& file_;
    std::uint32_t toSkip_ = AudioEngine::limiterDelayFrames;
    std::uint64_t written_ = 0;
    std::vector<float> samples_;
    std::optional<std::size_t> tailStart_;
};

}  // namespace

RenderOutcome renderSections(Core& core, const std::vector<RenderSection>& sections, WavFile& file,
                             const std::function<bool(double done)>& progress) {
    Sequencer& sequencer = core.sequencer();
    AudioEngine& engine = core.engine();
    // The step at which each section begins, and the end of the last.
    std::vector<std::int64_t> boundaries{0};
    for (const RenderSection& section : sections)
        boundaries.push_back(boundaries.back() + std::int64_t{section.measures} * stepsPerPattern);
    const std::int64_t totalSteps = boundaries.back();

    if (!sections.front().part.empty()) sequencer.recallPart(sections.front().part);
    sequencer.startOver();
    const bool wasPlaying = sequencer.playing.exchange(true);
    StepCounter steps(core, totalSteps);
    auto device = std::make_unique<OfflineDevice>();
    OfflineDevice& offline = *device;
    core.startDevice(std::move(device));
    PendingFrames pending(file);
    std::vector<float> period(std::size_t{renderPeriodFrames} * 2);
    size_t nextSection = 1;
    RenderOutcome outcome = RenderOutcome::done;
    std::optional<std::int64_t> silentFrom;

    for (std::int64_t periodStart = 0;; periodStart += renderPeriodFrames) {
        // A part is cued during the last measure of the one before, to begin on the next first step.
        if (nextSection < sections.size() && steps.stepsBegun() > boundaries[nextSection] - stepsPerPattern) {
            sequencer.cuePart(sections[nextSection].part);
            ++nextSection;
        }
        steps.nextPeriod(periodStart);
        const bool inTail = steps.ended();
        offline.pull(period.data(), renderPeriodFrames);
        pending.add(period.data(), renderPeriodFrames);
        const std::int64_t periodEnd = periodStart + renderPeriodFrames;
        if (!inTail && steps.ended()) {
            sequencer.playing = false;
            pending.startTailAt(static_cast<std::uint64_t>(steps.endFrame()));
        }
        // The last voice has ended; what it played still has to come out of the limiter.
        if (steps.ended() && !silentFrom && engine.voiceCount() == 0) silentFrom = periodEnd;
        if (!pending.writeIfFull()) {
            outcome = RenderOutcome::writeFailed;
            break;
        }
        if (!progress(std::min(1.0, static_cast<double>(steps.stepsBegun()) / static_cast<double>(totalSteps)))) {
            outcome = RenderOutcome::stopped;
            break;
        }
        const bool allOut = silentFrom && periodEnd >= *silentFrom + AudioEngine::limiterDelayFrames;
        if (steps.ended() && (allOut || pending.tailFrames() >= tailLimitFrames)) {
            if (!pending.finish()) outcome = RenderOutcome::writeFailed;
            break;
        }
    }
    core.stopSound();
    sequencer.playing = wasPlaying;
    return outcome;
}

}  // namespace zaffo
