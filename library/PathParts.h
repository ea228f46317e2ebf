#pragma once

#include <string>

namespace zaffo {

// A path taken apart: the folder, the file name without its last extension, and that extension.
struct PathParts {
    std::string dir;
    std::string name;
    std::string ext;
};

// Splits a path after turning every backslash into a slash. `dir` has no trailing slash and is
// empty when the path has no folder; `ext` is empty when the file name has no dot.
PathParts splitPath(const std::string& path);

// Whether a file of a pack is a sample: a "wav" or "mp3" file (case matters) that is not one of
// our own recordings.
bool isSampleFile(const PathParts& parts);

// Whether a name can select a pack, which is a folder directly below the samples folder: not
// empty, not "." or "..", and without "/" or "\\".
bool isPackName(const std::string& name);

}  // namespace zaffo
