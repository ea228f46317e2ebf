#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zaffo::remote {

// Takes command lines on a Unix socket in a private folder, on a thread of its own. Each client
// has one line in work at a time: its next line is read only after its reply went out, so a
// client that sends without reading, or sends too much, fills only its own bounded buffers.
// A client that sends a line too long is answered with an error and closed; one that stays
// silent, or stops reading its reply, is told (when it still reads) and closed after `idle`.
// Nothing but the socket's own user may connect.
class CommandServer {
public:
    using ClientId = std::uint64_t;
    // Called on the server's thread with each line (without its "\n"); whoever runs it calls
    // reply() with the same id once, from any thread.
    using LineHandler = std::function<void(ClientId, std::string)>;

    struct Limits {
        std::size_t maxLine = 64 * 1024;
        std::size_t maxClients = 128;
        std::chrono::milliseconds idle{10000};
    };

    // Makes the folder private if needed and takes the socket there, unless another program
    // holds it (then listening() is false). Throws std::runtime_error when the folder is unsafe
    // or the socket cannot be made.
    CommandServer(const std::string& folder, LineHandler onLine, Limits limits);
    CommandServer(const std::string& folder, LineHandler onLine) : CommandServer(folder, std::move(onLine), Limits{}) {}
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    bool listening() const { return listenFd_ >= 0; }
    const std::string& socketPath() const { return socketPath_; }
    // The reply to the client's line (encoded, see RemoteReply.h). Ignored when it has gone.
    void reply(ClientId client, std::string bytes);

private:
    struct Client {
        int fd = -1;
        std::string in;
        std::string out;
        bool working = false;  // its line is being run
        bool closing = false;  // closed once `out` is sent
        std::chrono::steady_clock::time_point lastProgress;
    };

    void serve();
    void acceptClients();
    void readFrom(ClientId id, Client& client);
    void takeLine(ClientId id, Client& client);
    void writeTo(ClientId id, Client& client);
    void takeReplies();
    void expireIdle();
    int pollTimeout() const;
    void wake();

    std::string socketPath_;
    LineHandler onLine_;
    Limits limits_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    bool stopping_ = false;  // guarded by repliesMutex_
    std::mutex repliesMutex_;
    std::vector<std::pair<ClientId, std::string>> replies_;
    std::map<ClientId, Client> clients_;  // the server thread's own
    ClientId nextId_ = 1;
    std::thread thread_;
};

}  // namespace zaffo::remote
