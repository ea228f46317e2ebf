#pragma once

#include <string>
#include <string_view>

namespace zaffo {

// Conversions between UTF-8 and code points. Text comes from the keyboard, the file system and
// files the user edits, so invalid UTF-8 never throws: each invalid sequence becomes one U+FFFD,
// and every character after it is kept.
std::u32string toUtf32(std::string_view utf8);
std::wstring toWide(std::string_view utf8);
// Code points that UTF-8 cannot hold (surrogates, past U+10FFFF) become U+FFFD.
std::string toUtf8(std::u32string_view text);
std::string toUtf8(std::wstring_view text);
// The first code point, U+FFFD when the text begins with an invalid sequence, 0 when empty.
char32_t firstCodePoint(std::string_view utf8);

}  // namespace zaffo
