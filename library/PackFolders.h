#pragma once

#include <string>
#include <vector>

namespace zaffo {

// What the samples folder holds, read once with no watch: for the library, and for whoever
// plays a pack without following its changes.

// The folders directly inside the samples folder, sorted by character value.
std::vector<std::wstring> listPacks(const std::string& samplesPath);
// Full paths of the pack's sample files, sorted by byte value; none for a folder that cannot be
// read.
std::vector<std::string> listSamplePaths(const std::string& packPath);
// Names without extension of the readable regular json files in the folder, sorted.
std::vector<std::wstring> listCompositionNames(const std::string& folder);

}  // namespace zaffo
