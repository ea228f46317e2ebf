#include "ui/Utf8.h"

#include <locale.h>
#include <clocale>
#include <cwchar>

namespace zaffo::ui {
namespace {

// wcwidth answers for the thread's locale; a toolkit must not depend on what the
// program set, so widths are always measured under a UTF-8 character type.
locale_t utf8Locale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return l ? l : newlocale(LC_CTYPE_MASK, "C.utf8", locale_t(0));
    }();
    return locale;
}

// Bytes at the end that begin a sequence without finishing it: a lead byte followed by fewer
// continuation bytes than it announces.
size_t unfinishedTail(std::string_view bytes) {
    for (size_t back = 1; back <= 4 && back <= bytes.size(); ++back) {
        auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if (byte >= 0x80 && byte < 0xC0) continue;  // a continuation byte
        size_t length = byte >= 0xF8 ? 0 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
        return back < length ? back : 0;
    }
    return 0;
}

}  // namespace

std::u32string Utf8Reader::push(std::string_view bytes) {
    pending_ += bytes;
    size_t complete = pending_.size() - unfinishedTail(pending_);
    std::u32string text = toUtf32(std::string_view(pending_).substr(0, complete));
    pending_.erase(0, complete);
    return text;
}

std::u32string Utf8Reader::flush() {
    std::u32string text = toUtf32(pending_);
    pending_.clear();
    return text;
}

bool isDrawnBlank(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

int cellWidth(char32_t c) {
    if (c < 0x7F || isDrawnBlank(c)) return 1;
    locale_t locale = utf8Locale();
    locale_t previous = locale ? uselocale(locale) : locale_t(0);
    int width = wcwidth(static_cast<wchar_t>(c));
    if (locale) uselocale(previous);
    return width < 0 ? 1 : width;
}

int glyphWidth(std::string_view glyph) {
    if (glyph.empty()) return 0;
    if (static_cast<unsigned char>(glyph[0]) < 0x80) return 1;
    return cellWidth(firstCodePoint(glyph));
}

int textWidth(std::string_view utf8) {
    int width = 0;
    for (char32_t c : toUtf32(utf8)) width += cellWidth(c);
    return width;
}

}  // namespace zaffo::ui
