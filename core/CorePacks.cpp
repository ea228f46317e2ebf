// Sample packs: switching the pack in use, and keeping the sample table in step with the files
// of the pack while they change.

#include "core/Core.h"

#include "audio/SampleLoader.h"
#include "library/PackFolders.h"
#include "library/PackReadme.h"
#include "library/PathParts.h"
#include "library/UserLib.h"
#include "sequencer/Sequencer.h"
#include "text/Utf8.h"

#include <optional>

namespace zaffo {
namespace {

// What a musician is told of a sample file that did not load as it is, once; nothing for one that
// did, or that is no sound at all.
std::optional<AnswerLine> troubleWith(const std::string& path, const DecodedSample& sample) {
    const PathParts parts = splitPath(path);
    const std::string file = parts.name + "." + parts.ext;
    if (sample.problem == SampleProblem::tooLong) return AnswerLine{"too long to load: " + file, LineStyle::plain};
    if (sample.problem == SampleProblem::badRate) return AnswerLine{"unusable sample rate: " + file, LineStyle::plain};
    if (sample.limited) return AnswerLine{"values out of range limited: " + file, LineStyle::plain};
    return std::nullopt;
}

}  // namespace

void Core::usePack(const std::string& name, bool showReadme, CommandOutput& output) {
    if (name.empty()) {
        if (library_) library_->scanPacks();  // the disk as it is now, whatever the watch saw
        output.printMessage(L"Sample packs: ", packNames());
        return;
    }
    // A name that would reach outside the samples folder selects no folder at all.
    packPath_ = isPackName(name) ? basePath_ + "/samples/" + name : std::string();
    packName_ = toWide(name);
    std::vector<AnswerLine> troubles;
    {
        std::unique_lock<std::mutex> held;
        if (library_) held = library_->holdUpdates();
        sequencer_->clearAll();
        samples_.clear();
        std::vector<std::string> paths;
        if (library_) {
            library_->watchPack(packPath_);
            paths = library_->samplePaths();
        } else {
            paths = listSamplePaths(packPath_);
        }
        auto decoded = loadSamples(paths);
        std::vector<SampleTable::Entry> loaded;
        for (size_t i = 0; i < paths.size(); ++i) {
            if (auto trouble = troubleWith(paths[i], decoded[i])) troubles.push_back(std::move(*trouble));
            if (decoded[i].buffer) loaded.emplace_back(splitPath(paths[i]).name, std::move(decoded[i].buffer));
        }
        samples_.set(std::move(loaded));
    }
    for (const AnswerLine& trouble : troubles) output.printMessage(toWide(trouble.text), {});
    if (showReadme) {
        std::vector<std::string> readme;
        for (const std::wstring& line : readPackReadme(packPath_)) readme.push_back(toUtf8(line));
        output.printLines(readme, LineStyle::bold);
    }
    installSampleHandlers();
}

void Core::setSample(std::string path, std::shared_ptr<AudioBuffer> buffer) {
    const std::string name = splitPath(path).name;
    if (buffer) {
        samples_.set({{name, std::move(buffer)}});
        return;
    }
    sequencer_->removePattern(name);
    samples_.remove(name);
}

void Core::installSampleHandlers() {
    if (!library_) return;
    SampleHandlers handlers;
    handlers.onSampleChanged = [this](const std::string& path, bool lastTry) { return sampleChanged(path, lastTry); };
    handlers.onSampleRemoved = [this](const std::string& path) { sampleRemoved(path); };
    handlers.onSampleMoved = [this](const std::string& oldPath, const std::string& newPath) {
        return sampleMoved(oldPath, newPath);
    };
    library_->setHandlers(std::move(handlers));
}

SampleUpdate Core::sampleChanged(const std::string& path, bool lastTry) {
    if (!isSampleFile(splitPath(path))) {
        return [] {};
    }
    DecodedSample sample = decodeSample(path);
    if (sample.problem == SampleProblem::unreadable && !lastTry) {
        return {};  // a file still being written may not decode yet: it is offered again
    }
    if (auto trouble = troubleWith(path, sample)) notices_(*trouble);
    return [this, path, buffer = std::move(sample.buffer)] { setSample(path, buffer); };
}

void Core::sampleRemoved(const std::string& path) {
    // The sound stays in memory and playable; only the instrument goes.
    const std::string name = splitPath(path).name;
    if (PatternPtr pattern = sequencer_->findPattern(name)) {
        sequencer_->removePattern(pattern->name);
    }
}

SampleUpdate Core::sampleMoved(const std::string& oldPath, const std::string& newPath) {
    const PathParts from = splitPath(oldPath);
    const PathParts to = splitPath(newPath);
    if (to.name == from.name + "0") {
        return [] {};
    }
    DecodedSample sample = isSampleFile(to) ? decodeSample(newPath) : DecodedSample{};
    if (auto trouble = troubleWith(newPath, sample)) notices_(*trouble);
    return [this, oldPath, newPath, from, to, buffer = std::move(sample.buffer)] {
        PatternPtr oldPattern = sequencer_->findPattern(from.name);
        PatternPtr newPattern = sequencer_->findPattern(to.name);
        auto updateTable = [&] {
            if (buffer) {
                setSample(newPath, buffer);
            } else {
                setSample(oldPath, nullptr);  // removes the old name's sample and instruments
            }
        };
        if (oldPattern && newPattern) {
            sequencer_->removePattern(to.name);
            updateTable();
            sequencer_->renamePattern(from.name, to.name);
        } else if (oldPattern) {
            updateTable();
            sequencer_->renamePattern(from.name, to.name);
        } else {
            setSample(newPath, buffer);
        }
    };
}

}  // namespace zaffo
