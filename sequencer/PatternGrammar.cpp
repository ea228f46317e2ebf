#include "sequencer/PatternGrammar.h"

namespace zaffo::pattern_grammar {
namespace {

struct PatternReading {
    std::vector<Step> steps;
    bool stepOn = false;
    int32_t stepPitch = 0;
};

}  // namespace

bool readPattern(std::string_view text, std::vector<Step>& steps) {
    PatternReading reading;
    pegtl::memory_input<> in(text.data(), text.size(), "src");
    if (!pegtl::parse<pattern, action>(in, reading)) {
        return false;
    }
    steps = std::move(reading.steps);
    return true;
}

}  // namespace zaffo::pattern_grammar
