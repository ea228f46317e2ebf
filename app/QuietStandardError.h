#pragma once

namespace zaffo {

// While it lives, whatever anything in the process writes to standard error goes nowhere. The
// decoders and the sound libraries print their complaints there (a damaged MP3 gives a line for
// every bad frame); on the full screen they would scroll it and break its borders, and before a
// render's own message they would drown it.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

}  // namespace zaffo
