#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/Wait.h"

extern char** environ;

namespace zaffo::test {

// jackd with its dummy backend and no real-time scheduling, waiting for its clients in each period (-S), up to 5 s
// rather than dropping them after half a second (-t), so that a busy machine slows it down rather than makes it skip
// periods; made the process's default server (JACK_DEFAULT_SERVER) and stopped by its process id. JACK's registry of
// the machine's servers hands the slot of a killed server only to one of the same name, and a process meets no second
// server under a name it has used: so each server takes the next name of a short list, skipping those that answer.
// Test programs run side by side: a name is claimed with a lock on a file of its own before its server starts, or two
// of them could both take one server for their own, and each listen to the other's Zaffo.
class JackServer {
public:
    JackServer(int rate, int period) {
        static int next = 0;
        while (pid_ <= 0 && next < 16) {
            const std::string name = "zaffo-test-" + std::to_string(next++);
            if (!claim(name)) continue;
            ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
            if (!answers()) spawn(std::to_string(rate), std::to_string(period));
            if (pid_ <= 0) release();
        }
    }
    ~JackServer() {
        stop(SIGTERM);
        release();
    }
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
    bool claim(const std::string& name) {
        const char* folder = std::getenv("TMPDIR");
        const std::string path = std::string(folder && *folder ? folder : "/tmp") + "/" + name + ".lock";
        lock_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock_ >= 0 && ::flock(lock_, LOCK_EX | LOCK_NB) == 0) return true;
        release();
        return false;
    }
    void release() {
        if (lock_ >= 0) ::close(lock_);
        lock_ = -1;
    }
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
    int lock_ = -1;
};

}  // namespace zaffo::test
