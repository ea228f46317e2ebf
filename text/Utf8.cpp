#include "text/Utf8.h"

#include <iterator>

#include <utf8.h>

namespace zaffo {

std::u32string toUtf32(std::string_view utf8) {
    std::string valid;
    valid.reserve(utf8.size());
    utf8::replace_invalid(utf8.begin(), utf8.end(), std::back_inserter(valid));
    std::u32string text;
    utf8::utf8to32(valid.begin(), valid.end(), std::back_inserter(text));
    return text;
}

std::wstring toWide(std::string_view utf8) {
    const std::u32string text = toUtf32(utf8);
    return std::wstring(text.begin(), text.end());
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        utf8::append(c, std::back_inserter(out));
    }
    return out;
}

std::string toUtf8(std::wstring_view text) { return toUtf8(std::u32string(text.begin(), text.end())); }

char32_t firstCodePoint(std::string_view utf8) {
    if (utf8.empty()) return 0;
    auto it = utf8.begin();
    try {
        return utf8::next(it, utf8.end());
    } catch (const utf8::exception&) {
        return 0xFFFD;
    }
}

}  // namespace zaffo
