#pragma once

#include <string_view>

namespace zaffo {

// The deepest nesting of a document: a composition has a few levels, a hostile file may have
// thousands, which a recursive reader cannot survive.
inline constexpr int maxJsonNesting = 100;

// Whether JSON text nests arrays and objects, together, deeper than `limit` levels. Brackets in
// strings do not count; the text need not be valid JSON.
bool nestsDeeperThan(std::string_view text, int limit);

}  // namespace zaffo
