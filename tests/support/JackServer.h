#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Wait.h"

extern char** environ;

namespace zaffo::test {

// A JACK server of the test's own: jackd with its dummy backend and no real-time scheduling, waiting for its clients
// in each period (-S) so that a busy machine slows it down rather than making it skip periods, under a server name
// that no one else uses, made the process's default server (JACK_DEFAULT_SERVER) while it runs. Stopped by its
// process id.
class JackServer {
public:
    JackServer(int rate, int period) {
        static std::atomic<int> made{0};
        name_ = "zaffo-test-" + std::to_string(::getpid()) + "-" + std::to_string(made++);
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        const std::string rateArg = std::to_string(rate), periodArg = std::to_string(period);
        std::vector<const char*> args = {"jackd", "--no-realtime",   "-S",   "-d", "dummy", "-r", rateArg.c_str(),
                                         "-p",    periodArg.c_str(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "jackd", &quiet, nullptr, const_cast<char**>(args.data()), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&quiet);
        ready_ = pid_ > 0 && waitUntil([] {
                     jack_client_t* client = jack_client_open("zaffo-test-ready", JackNoStartServer, nullptr);
                     if (client) jack_client_close(client);
                     return client != nullptr;
                 });
    }
    ~JackServer() { stop(SIGTERM); }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool ready() const { return ready_; }
    // Ends the server with `signal` and waits for it.
    void stop(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    std::string name_;
    pid_t pid_ = 0;
    bool ready_ = false;
};

}  // namespace zaffo::test
