#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zaffo {

// `zaffo send`: sends each line (or, with none, each line of `input`) to the running Zaffo of
// this user, one after another; an argument of several lines (an editor's selection) is sent
// line by line, and blank lines are passed over, as an empty input would be; and prints every answer line to `out`, in
// colour when `colours`. Returns 0 when every line worked, 1 when one failed (the later ones still run), 2 when no
// Zaffo takes them ("zaffo: no running Zaffo to send to" on `errors`).
int sendCommand(const std::vector<std::string>& lines, std::istream& input, std::ostream& out, std::ostream& errors,
                bool colours);

}  // namespace zaffo
