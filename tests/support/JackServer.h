#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include "tests/support/Wait.h"

extern char** environ;

namespace zaffo::test {

// jackd with its dummy backend and no real-time scheduling, waiting for its clients in each period (-S), up to 5 s
// rather than dropping them after half a second (-t), so that a busy machine slows it down rather than makes it skip
// periods; made the process's default server (JACK_DEFAULT_SERVER) and stopped by its process id. JACK's registry of
// the machine's servers hands the slot of a killed server only to one of the same name, and a process meets no second
// server under a name it has used: so each server takes the next name of a short list, skipping those that answer.
class JackServer {
public:
    JackServer(int rate, int period) {
        static int next = 0;
        while (pid_ <= 0 && next < 16) {
            ::setenv("JACK_DEFAULT_SERVER", ("zaffo-test-" + std::to_string(next++)).c_str(), 1);
            if (!answers()) spawn(std::to_string(rate), std::to_string(period));
        }
    }
    ~JackServer() { stop(SIGTERM); }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool ready() const { return pid_ > 0; }
    void stop(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    static bool answers() {
        jack_client_t* client = jack_client_open("zaffo-test-ready", JackNoStartServer, nullptr);
        if (client) jack_client_close(client);
        return client != nullptr;
    }
    void spawn(const std::string& rate, const std::string& period) {
        const char* args[] = {"jackd", "--no-realtime", "-S", "-t",           "5000", "-d", "dummy",
                              "-r",    rate.c_str(),    "-p", period.c_str(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        for (int output : {1, 2}) posix_spawn_file_actions_addopen(&quiet, output, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "jackd", &quiet, nullptr, const_cast<char**>(args), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&quiet);
        bool exited = pid_ <= 0;  // the name was taken meanwhile
        waitUntil([&] { return (exited = exited || ::waitpid(pid_, nullptr, WNOHANG) == pid_) || answers(); });
        if (exited || !answers()) stop(SIGKILL);
    }

    pid_t pid_ = 0;
};

}  // namespace zaffo::test
