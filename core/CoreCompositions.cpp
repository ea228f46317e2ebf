// Saving and loading compositions in the base folder.

#include "core/Core.h"

#include "files/RegularFile.h"
#include "library/PackFolders.h"
#include "sequencer/Composition.h"
#include "sequencer/Sequencer.h"
#include "text/Utf8.h"

#include <unistd.h>
#include <cstdio>
#include <stdexcept>

namespace zaffo {
namespace {

// Writes the whole text to a temporary file beside `path` and renames it into place, so that
// an existing composition is replaced only by a complete new one, safely on disk.
void writeWholeFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".saving";
    FileHandle file = createRegularFile(temporary);
    if (!file) {
        throw std::runtime_error("could not save " + path);  // what stands there is not ours to remove
    }
    if (!writeAll(file.fd(), text.data(), text.size()) || ::fsync(file.fd()) != 0 ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("could not save " + path);
    }
}

}  // namespace

std::string Core::compositionPath(const std::string& name) const { return basePath_ + "/" + name + ".json"; }

std::vector<std::wstring> Core::compositionNames() const { return listCompositionNames(basePath_ + "/"); }

void Core::saveComposition(const std::string& name) {
    picojson::value root = sequencer_->toJson();
    root.get<picojson::object>()["samplePack"] = picojson::value(toUtf8(packName_));
    writeWholeFile(compositionPath(name), compositionText(root));
}

bool Core::openComposition(const std::string& path, CommandOutput& output) {
    const picojson::value root = parseComposition(readRegularFile(path).value_or(""));
    if (root.is<picojson::object>() && root.contains("samplePack") && root.get("samplePack").is<std::string>()) {
        usePack(root.get("samplePack").get<std::string>(), false, output);
    }
    return sequencer_->fromJson(root);
}

}  // namespace zaffo
