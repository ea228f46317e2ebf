// Sample packs: switching the pack in use, and keeping the sample table in step with the files
// of the pack while they change.

#include "app/App.h"

#include "audio/SampleLoader.h"
#include "library/PackReadme.h"
#include "library/PathParts.h"
#include "library/UserLib.h"
#include "sequencer/Sequencer.h"
#include "text/Utf8.h"

#include <algorithm>

namespace zaffo {

void App::usePack(const std::string& name, bool showReadme) {
    if (name.empty()) {
        auto packs = userLib->packNames();
        log.printMessage(L"Sample packs: ", *packs);
        return;
    }
    // A name that would reach outside the samples folder selects no folder at all.
    packPath = isPackName(name) ? basePath + "/samples/" + name : std::string();
    packName = toWide(name);
    std::vector<std::string> tooLong;
    {
        auto held = userLib->holdUpdates();
        sequencer->clearAll();
        samples.clear();
        userLib->watchPack(packPath);
        const std::vector<std::string>& paths = userLib->samplePaths();
        auto decoded = loadSamples(paths);
        std::vector<SampleTable::Entry> loaded;
        for (size_t i = 0; i < paths.size(); ++i) {
            if (decoded[i].problem == SampleProblem::tooLong) tooLong.push_back(paths[i]);
            if (decoded[i].buffer) loaded.emplace_back(splitPath(paths[i]).name, std::move(decoded[i].buffer));
        }
        samples.set(std::move(loaded));
    }
    for (const std::string& path : tooLong) reportTooLong(path);
    if (showReadme) {
        log.printLines(readPackReadme(packPath), ui::bold);
    }
    installSampleHandlers();
}

void App::reportTooLong(const std::string& path) {
    const PathParts parts = splitPath(path);
    log.printMessage(L"too long to load: " + toWide(parts.name + "." + parts.ext), {});
}

void App::setSample(std::string path, std::shared_ptr<AudioBuffer> buffer) {
    const std::string name = splitPath(path).name;
    if (buffer) {
        samples.set({{name, std::move(buffer)}});
        return;
    }
    sequencer->removePattern(name);
    samples.remove(name);
}

void App::installSampleHandlers() {
    SampleHandlers handlers;
    handlers.onSampleChanged = [this](const std::string& path, bool lastTry) { return sampleChanged(path, lastTry); };
    handlers.onSampleRemoved = [this](const std::string& path) { sampleRemoved(path); };
    handlers.onSampleMoved = [this](const std::string& oldPath, const std::string& newPath) {
        return sampleMoved(oldPath, newPath);
    };
    userLib->setHandlers(std::move(handlers));
}

SampleUpdate App::sampleChanged(const std::string& path, bool lastTry) {
    if (!isSampleFile(splitPath(path))) {
        return [] {};
    }
    DecodedSample sample = decodeSample(path);
    if (sample.problem == SampleProblem::unreadable && !lastTry) {
        return {};  // a file still being written may not decode yet: it is offered again
    }
    if (sample.problem == SampleProblem::tooLong) {
        reportTooLong(path);
    }
    return [this, path, buffer = std::move(sample.buffer)] { setSample(path, buffer); };
}

void App::sampleRemoved(const std::string& path) {
    // The sound stays in memory and playable; only the instrument goes.
    const std::string name = splitPath(path).name;
    if (PatternPtr pattern = sequencer->findPattern(name)) {
        sequencer->removePattern(pattern->name);
    }
}

SampleUpdate App::sampleMoved(const std::string& oldPath, const std::string& newPath) {
    const PathParts from = splitPath(oldPath);
    const PathParts to = splitPath(newPath);
    if (to.name == from.name + "0") {
        return [] {};
    }
    DecodedSample sample = isSampleFile(to) ? decodeSample(newPath) : DecodedSample{};
    if (sample.problem == SampleProblem::tooLong) {
        reportTooLong(newPath);
    }
    return [this, oldPath, newPath, from, to, buffer = std::move(sample.buffer)] {
        PatternPtr oldPattern = sequencer->findPattern(from.name);
        PatternPtr newPattern = sequencer->findPattern(to.name);
        auto updateTable = [&] {
            if (buffer) {
                setSample(newPath, buffer);
            } else {
                setSample(oldPath, nullptr);  // removes the old name's sample and instruments
            }
        };
        if (oldPattern && newPattern) {
            sequencer->removePattern(to.name);
            updateTable();
            sequencer->renamePattern(from.name, to.name);
        } else if (oldPattern) {
            updateTable();
            sequencer->renamePattern(from.name, to.name);
        } else {
            setSample(newPath, buffer);
        }
    };
}

}  // namespace zaffo
