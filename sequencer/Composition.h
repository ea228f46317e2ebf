#pragma once

#include "sequencer/SequencerPattern.h"

#include <picojson.h>

#include <string>

namespace zaffo {

// The document entry of one instrument, with its steps written three ways: as the pattern text,
// as the pitch of each step, and as the note of each step.
picojson::value writeInstrument(const SequencerPattern& instrument);

// A composition document from a file's text, after one UTF-8 byte-order mark if it starts with
// one; null when the rest is no JSON, nests deeper than maxJsonNesting, or holds a number that
// no double can hold.
picojson::value parseComposition(const std::string& text);

// The text of a composition file: the document indented, ending with a line break.
std::string compositionText(const picojson::value& root);

}  // namespace zaffo
