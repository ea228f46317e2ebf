#pragma once

#include "app/CommandLine.h"

#include <string>

namespace zaffo {

// `zaffo render`: loads the composition and its pack below basePath, renders it into a file
// beside the output and renames it into place. Says what went wrong on standard error as
// "error: REASON" and returns the exit status: 0 done, 1 failed, 130 interrupted. A failed
// or interrupted render leaves no file behind.
int renderCommand(const RenderOptions& options, const std::string& basePath);

}  // namespace zaffo
