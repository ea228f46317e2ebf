#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
    std::string output;
    int status;
};

Outcome runProgram(const std::string& command) {
    Outcome outcome{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe)) outcome.output += buffer.data();
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(Main, GreetsFirstAndExitsWithZero) {
    Outcome outcome = runProgram(std::string(ZAFFO_BINARY) + " </dev/null");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(outcome.output.starts_with("hi!\n")) << outcome.output;
}

}  // namespace
