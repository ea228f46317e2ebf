// Sample packs: switching the pack in use, and keeping the sample table in step with the files
// of the pack while they change.

#include "app/App.h"

#include "audio/SampleLoader.h"
#include "library/PackReadme.h"
#include "library/PathParts.h"
#include "library/UserLib.h"
#include "library/Utf8Text.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zaffo {

void App::usePack(const std::string& name, bool showReadme) {
    if (name.empty()) {
        auto packs = userLib->packNames();
        log.printMessage(L"Sample packs: ", *packs);
        return;
    }
    packPath = basePath + "/samples/" + name;
    packName = decodeUtf8(name);
    sequencer->clearAll();
    samples.clear();
    userLib->watchPack(packPath);
    const std::vector<std::string>& paths = userLib->samplePaths();
    auto buffers = loadSamples(paths);
    std::vector<SampleTable::Entry> loaded;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (buffers[i]) {
            loaded.emplace_back(splitPath(paths[i]).name, std::move(buffers[i]));
        }
    }
    samples.set(std::move(loaded));
    if (showReadme) {
        log.printLines(readPackReadme(packPath), ui::bold);
    }
    installSampleHandlers();
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
    handlers.onSampleAdded = [this](const std::string& path) { sampleChanged(path); };
    handlers.onSampleModified = [this](const std::string& path) { sampleChanged(path); };
    handlers.onSampleRemoved = [this](const std::string& path) { sampleRemoved(path); };
    handlers.onSampleMoved = [this](const std::string& oldPath, const std::string& newPath) {
        sampleMoved(oldPath, newPath);
    };
    userLib->setHandlers(std::move(handlers));
}

void App::sampleChanged(const std::string& path) {
    if (!isSampleFile(splitPath(path))) {
        return;
    }
    auto buffer = loadSample(path);
    if (!buffer) {
        // A file still being written may not decode yet; give it a moment once.
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        buffer = loadSample(path);
    }
    setSample(path, std::move(buffer));
}

void App::sampleRemoved(const std::string& path) {
    // The sound stays in memory and playable; only the instrument goes.
    const std::string name = splitPath(path).name;
    if (PatternPtr pattern = sequencer->findPattern(name)) {
        sequencer->removePattern(pattern->name);
    }
}

void App::sampleMoved(const std::string& oldPath, const std::string& newPath) {
    const PathParts from = splitPath(oldPath);
    const PathParts to = splitPath(newPath);
    if (to.name == from.name + "0") {
        return;
    }
    PatternPtr oldPattern = sequencer->findPattern(from.name);
    PatternPtr newPattern = sequencer->findPattern(to.name);
    auto buffer = isSampleFile(to) ? loadSample(newPath) : nullptr;
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
}

}  // namespace zaffo
