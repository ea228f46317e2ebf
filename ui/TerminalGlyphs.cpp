#include "TerminalGlyphs.h"

#include <map>

namespace zaffo::ui {

std::string asciiGlyph(const std::string& glyph) {
    static const std::map<std::string, std::string> standIns = {
        {"┌", "+"}, {"┐", "+"}, {"└", "+"}, {"┘", "+"}, {"┏", "+"}, {"┓", "+"}, {"┗", "+"}, {"┛", "+"}, {"╔", "+"},
        {"╗", "+"}, {"╚", "+"}, {"╝", "+"}, {"╭", "+"}, {"╮", "+"}, {"╰", "+"}, {"╯", "+"}, {"─", "-"}, {"━", "-"},
        {"═", "-"}, {"│", "|"}, {"┃", "|"}, {"║", "|"}, {"▣", "x"}, {"☐", "-"}, {"█", "#"}, {"▏", "="}, {"▎", "="},
        {"▍", "="}, {"▌", "="}, {"▋", "="}, {"▊", "="}, {"▉", "="}, {"…", "."}, {"╹", "|"}, {"╻", "|"},
    };
    if (glyph.size() == 1 && static_cast<unsigned char>(glyph[0]) < 0x80) return glyph;
    if (glyph.empty()) return " ";
    const auto found = standIns.find(glyph);
    return found == standIns.end() ? "?" : found->second;
}

}  // namespace zaffo::ui
