#include "core/OfflineRender.h"

#include "audio/AudioEngine.h"
#include "audio/OfflineDevice.h"
#include "audio/WavFile.h"
#include "core/Core.h"
#include "core/SampleTable.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <map>
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

// Frames on their way to the files: the mix and each stem, counted from the files' first frame,
// all of the same length. The engine's mix comes limiterDelayFrames late: those first frames are
// left out, so that the files start where the clock does. Stems are taken before the limiter and
// are not late; each keeps those frames until the mix catches up. The tail is held back until it
// is over, so that its silent end can be left out, of every file alike.
class PendingFrames {
public:
    PendingFrames(WavFile& file, StemFiles* stems) : file_(file), stemFiles_(stems) {}

    // A stem that begins now: silent until here.
    void addStem(const std::string& instrument) {
        stems_.push_back({instrument, nullptr, std::vector<float>(busSamples_, 0.0f), false});
    }

    // A period of the mix and of each stem's bus.
    void add(const float* mix, const AudioEngine& engine, std::uint32_t count) {
        const std::uint32_t skipped = std::min(count, toSkip_);
        toSkip_ -= skipped;
        mix_.insert(mix_.end(), mix + std::size_t{skipped} * 2, mix + std::size_t{count} * 2);
        const std::size_t samples = std::size_t{count} * 2;
        busSamples_ += samples;
        for (std::size_t s = 0; s < stems_.size(); ++s) {
            const float* bus = engine.busFrames(s);
            stems_[s].samples.insert(stems_[s].samples.end(), bus, bus + samples);
            stems_[s].sounded = stems_[s].sounded || std::any_of(bus, bus + samples, [](float v) { return v != 0; });
        }
    }
    // The tail begins at `frame` of the files, which has not been written yet.
    void startTailAt(std::uint64_t frame) { tailStart_ = (frame - written_) * 2; }
    std::uint64_t tailFrames() const {
        return tailStart_ && mix_.size() > *tailStart_ ? (mix_.size() - *tailStart_) / 2 : 0;
    }
    bool writeIfFull() { return tailStart_ || mix_.size() < writeFrames * 2 || writeAll(); }

    bool finish() {
        if (tailStart_) {
            std::size_t size = std::min(mix_.size(), *tailStart_ + tailLimitFrames * 2);
            while (size > *tailStart_ && mix_[size - 1] == 0 && mix_[size - 2] == 0) size -= 2;
            mix_.resize(size);
        }
        for (Stem& stem : stems_) stem.samples.resize(mix_.size());
        if (!writeAll()) return false;
        for (const Stem& stem : stems_) stemFiles_->finished(stem.instrument, stem.sounded);
        return true;
    }

private:
    struct Stem {
        std::string instrument;
        WavFile* file;
        std::vector<float> samples;
        bool sounded;
    };

    // Writes the mix so far and as much of each stem.
    bool writeAll() {
        const std::uint64_t frames = mix_.size() / 2;
        bool written = frames == 0 || file_.write(mix_.data(), frames);
        for (Stem& stem : stems_) {
            if (!written) break;
            if (!stem.file) {
                stem.file = stemFiles_->create(stem.instrument);
                written = stem.file && writeSilence(*stem.file, written_);
            }
            written = written && (frames == 0 || stem.file->write(stem.samples.data(), frames));
            stem.samples.erase(stem.samples.begin(), stem.samples.begin() + static_cast<std::ptrdiff_t>(mix_.size()));
        }
        written_ += frames;
        busSamples_ -= mix_.size();
        mix_.clear();
        return written;
    }

    static bool writeSilence(WavFile& file, std::uint64_t frames) {
        const std::vector<float> silence(writeFrames * 2, 0.0f);
        for (std::uint64_t done = 0; done < frames; done += writeFrames)
            if (!file.write(silence.data(), std::min<std::uint64_t>(writeFrames, frames - done))) return false;
        return true;
    }

    WavFile& file_;
    StemFiles* stemFiles_;
    std::uint32_t toSkip_ = AudioEngine::limiterDelayFrames;
    std::uint64_t written_ = 0;
    std::vector<float> mix_;
    std::size_t busSamples_ = 0;  // the samples of each stem not yet written
    std::vector<Stem> stems_;
    std::optional<std::size_t> tailStart_;
};

// Gives each instrument a bus of its own the first time it sounds, and its stem with it.
void splitIntoStems(Core& core, PendingFrames& pending, std::map<std::string, int>& buses) {
    // Every voice plays a sample of the table, and an instrument is named after its sample.
    const std::size_t most = core.samples().names().size();
    core.engine().keepBuses(most);
    core.busOf = [&pending, &buses, most](const std::string& instrument) {
        const auto [at, added] = buses.try_emplace(instrument, static_cast<int>(buses.size()));
        if (added && buses.size() > most) {
            buses.erase(at);
            return VoicePool::noBus;
        }
        if (added) pending.addStem(instrument);
        return at->second;
    };
}

}  // namespace

RenderOutcome renderSections(Core& core, const std::vector<RenderSection>& sections, WavFile& file,
                             const std::function<bool(double done)>& progress, StemFiles* stems) {
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
    PendingFrames pending(file, stems);
    std::map<std::string, int> buses;
    if (stems) splitIntoStems(core, pending, buses);
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
        pending.add(period.data(), engine, renderPeriodFrames);
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
    core.busOf = nullptr;
    sequencer.playing = wasPlaying;
    return outcome;
}

}  // namespace zaffo
