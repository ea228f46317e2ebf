#include "library/Utf8Text.h"

#include <iterator>

#include <utf8.h>

namespace zaffo {

std::wstring decodeUtf8(const std::string& text) {
    std::string valid;
    valid.reserve(text.size());
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
    std::wstring wide;
    utf8::utf8to32(valid.begin(), valid.end(), std::back_inserter(wide));
    return wide;
}

}  // namespace zaffo
