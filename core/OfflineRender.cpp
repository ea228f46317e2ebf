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

// Frames on their way to the file. The tail is held back until it is over, so that its
// silent end can be left out.
class PendingFrames {
public:
    explicit PendingFrames(WavFile& file) : file_(file) {}

    void add(const float* frames, std::uint32_t count) {
        samples_.insert(samples_.end(), frames, frames + std::size_t{count} * 2);
    }
    void startTail() { tailStart_ = samples_.size(); }
    std::uint64_t tailFrames() const { return tailStart_ ? (samples_.size() - *tailStart_) / 2 : 0; }
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
        samples_.clear();
        return written;
    }

    WavFile& file_;
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

    for (std::int64_t periodStart = 0;; periodStart += renderPeriodFrames) {
        // A part is cued during the last measure of the one before, to begin on the next first step.
        if (nextSection < sections.size() && steps.stepsBegun() > boundaries[nextSection] - stepsPerPattern) {
            sequencer.cuePart(sections[nextSection].part);
            ++nextSection;
        }
        steps.nextPeriod(periodStart);
        const bool inTail = steps.ended();
        offline.pull(period.data(), renderPeriodFrames);
        if (!inTail && steps.ended()) {
            sequencer.playing = false;
            const auto measured = static_cast<std::uint32_t>(steps.endFrame() - periodStart);
            pending.add(period.data(), measured);
            pending.startTail();
            pending.add(period.data() + std::size_t{measured} * 2, renderPeriodFrames - measured);
        } else {
            pending.add(period.data(), renderPeriodFrames);
        }
        if (!pending.writeIfFull()) {
            outcome = RenderOutcome::writeFailed;
            break;
        }
        if (!progress(std::min(1.0, static_cast<double>(steps.stepsBegun()) / static_cast<double>(totalSteps)))) {
            outcome = RenderOutcome::stopped;
            break;
        }
        if (steps.ended() && (engine.voiceCount() == 0 || pending.tailFrames() >= tailLimitFrames)) {
            if (!pending.finish()) outcome = RenderOutcome::writeFailed;
            break;
        }
    }
    core.stopSound();
    sequencer.playing = wasPlaying;
    return outcome;
}

}  // namespace zaffo
