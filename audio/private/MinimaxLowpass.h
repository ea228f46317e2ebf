#pragma once

#include <optional>
#include <vector>

namespace zaffo {

// A linear-phase lowpass of 2 * half + 1 taps whose largest error is as small as it can be (the
// Remez exchange): within `passRipple` of one up to `pass` and of zero from `stop` on, the two
// errors kept in that ratio. Frequencies are in cycles per tap, below a half. Returns the taps,
// centre at [half]; nothing when the exchange does not settle or the errors come out larger than
// asked.
std::optional<std::vector<double>> minimaxLowpass(int half, double pass, double stop, double passRipple,
                                                  double stopRipple);

}  // namespace zaffo
