#pragma once

#include "tools/Kits.h"

#include <string>

namespace zaffo::packgen {

// Writes `kit` into samplesDir/<kit name>/, creating the folders. Other files there are left
// alone. The readme is written last, so a complete readme means a complete pack.
bool writePack(const std::string& samplesDir, const Kit& kit);

}  // namespace zaffo::packgen
