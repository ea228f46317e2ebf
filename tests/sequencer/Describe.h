#pragma once

#include "sequencer/Sequencer.h"

#include <sstream>
#include <string>
#include <vector>

namespace zaffo::testing {

inline std::string join(const std::vector<std::string>& items, const char* separator = "; ") {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

// The live instruments as "name steps volume rand on|off", joined by "; ".
inline std::string describeLive(Sequencer& sequencer) {
    std::ostringstream rows;
    for (const PatternPtr& p : sequencer.getPatterns()) {
        rows << (rows.tellp() > 0 ? "; " : "") << p->name << ' ' << patternText(p->steps) << ' ' << p->volume << ' '
             << p->rand << (p->active ? " on" : " off");
    }
    return rows.str();
}

}  // namespace zaffo::testing
