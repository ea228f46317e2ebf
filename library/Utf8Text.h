#pragma once

#include <string>

namespace zaffo {

// UTF-8 to wide text, forgiving: every invalid sequence becomes U+FFFD instead of an error.
// Names and text come from the file system and from files the user edits; one bad byte must
// not take the program down.
std::wstring decodeUtf8(const std::string& text);

}  // namespace zaffo
