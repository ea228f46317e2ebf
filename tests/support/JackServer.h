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
// that no running server has, made the process's default server (JACK_DEFAULT_SERVER) while it runs. Stopped by its
// process id.
class JackServer {
public:
    JackServer(int rate, int period) {
        // JACK keeps a few servers in a registry of the machine's, and gives the slot of one that died without
        // closing (killed) only to a server of the same name; and a process does not meet a second server under a
        // name it has used. So each server of a process takes the next name of a short list, skipping those in use.
        static int next = 0;
        while (!ready_ && next < maxServers) {
            name_ = "zaffo-test-" + std::to_string(next++);
            ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
            ready_ = !answers() && spawn(rate, period);
        }
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
    static constexpr int maxServers = 16;

    static bool answers() {
        jack_client_t* client = jack_client_open("zaffo-test-ready", JackNoStartServer, nullptr);
        if (client) jack_client_close(client);
        return client != nullptr;
    }

    bool spawn(int rate, int period) {
        const std::string rateArg = std::to_string(rate), periodArg = std::to_string(period);
        std::vector<const char*> args = {"jackd", "--no-realtime",   "-S",   "-d", "dummy", "-r", rateArg.c_str(),
                                         "-p",    periodArg.c_str(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "jackd", &quiet, nullptr, const_cast<char**>(args.data()), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&quiet);
        bool exited = pid_ <= 0;
        const bool ready = !exited && waitUntil([&] {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) exited = true;
            if (exited) return true;
            return answers();
        });
        if (exited) pid_ = 0;
        return ready && !exited;
    }

    std::string name_;
    pid_t pid_ = 0;
    bool ready_ = false;
};

}  // namespace zaffo::test
