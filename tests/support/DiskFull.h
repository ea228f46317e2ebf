#pragma once

#include <sys/resource.h>
#include <csignal>

namespace zaffo::testing {

// The disk fills up at `bytes`: a file-size limit, with SIGXFSZ ignored, fails a write as a
// full disk would, without mounting anything. Everything is put back when it goes out of scope.
class DiskFullAt {
public:
    explicit DiskFullAt(rlim_t bytes) : previousSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~DiskFullAt() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    DiskFullAt(const DiskFullAt&) = delete;
    DiskFullAt& operator=(const DiskFullAt&) = delete;

private:
    rlimit previous_{};
    void (*previousSignal_)(int);
};

}  // namespace zaffo::testing
