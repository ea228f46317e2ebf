#pragma once

#include <sys/wait.h>
#include <cstdio>
#include <string>
#include <utility>

namespace zaffo::test {

// Runs the line under /bin/sh: its standard output, and its exit status (-1 when it did not exit by itself).
inline std::pair<std::string, int> runShell(const std::string& line) {
    FILE* pipe = popen(line.c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int status = pipe ? pclose(pipe) : -1;
    return {output, status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

}  // namespace zaffo::test
