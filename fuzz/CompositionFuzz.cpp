// Any bytes as a composition file: reading must never crash, and what it reads must write back.

#include "sequencer/Composition.h"
#include "sequencer/Sequencer.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zaffo::Sequencer sequencer;
    sequencer.sampleExists = [](const std::string&) { return true; };
    sequencer.getOrCreatePattern("kick");  // a live instrument that loading may reuse

    const picojson::value root = zaffo::parseComposition(std::string(reinterpret_cast<const char*>(data), size));
    if (sequencer.fromJson(root)) {
        const std::string saved = zaffo::compositionText(sequencer.toJson());
        zaffo::Sequencer again;
        if (!again.fromJson(zaffo::parseComposition(saved))) __builtin_trap();
        if (zaffo::compositionText(again.toJson()) != saved) __builtin_trap();
    }
    zaffo::PeriodReport report;
    for (int i = 0; i < 4; ++i) {
        report.clear();
        sequencer.tick(24001, 96000, report);
    }
    return 0;
}
