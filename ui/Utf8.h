#pragma once

#include <string>
#include <string_view>

#include "text/Utf8.h"

namespace zaffo::ui {

// Gathers typed bytes into characters. A complete sequence comes out as its character and an
// invalid one as one U+FFFD, with every character after it kept; a sequence cut short at the
// end waits for the bytes that complete it.
class Utf8Reader {
public:
    std::u32string push(std::string_view bytes);
    // Everything held back, as a sequence that will not be completed (a key came in between).
    std::u32string flush();

private:
    std::string pending_;
};

// Controls, and the marks that would turn the direction of the rest of a line (a file name may
// hold them): each is drawn as a blank.
bool isDrawnBlank(char32_t c);
// Terminal cells a code point takes: 0 for combining marks, 2 for wide characters, 1 for what
// is drawn as a blank.
int cellWidth(char32_t c);
// Cells taken by the first code point of a glyph.
int glyphWidth(std::string_view glyph);
int textWidth(std::string_view utf8);

}  // namespace zaffo::ui
