#include "remote/CommandClient.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zaffo::remote {
namespace {

class Connection {
public:
    explicit Connection(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || path.size() >= sizeof address.sun_path) return;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~Connection() {
        if (fd_ >= 0) close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool open() const { return fd_ >= 0; }

    bool write(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t sent = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) return false;
            done += static_cast<std::size_t>(sent);
        }
        return true;
    }

    std::optional<RemoteReply> readReply() {
        ReplyReader reader;
        char bytes[4096];
        for (;;) {
            const ssize_t got = recv(fd_, bytes, sizeof bytes, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return std::nullopt;
            if (auto reply = reader.feed(bytes, static_cast<std::size_t>(got))) return reply;
        }
    }

private:
    int fd_;
};

}  // namespace

std::optional<RemoteReply> sendLine(const std::string& socketPath, const std::string& line) {
    Connection connection(socketPath);
    if (!connection.open()) return std::nullopt;
    // A refusal (a line too long) may come before the whole line is taken: read it all the same.
    connection.write(line + "\n");
    return connection.readReply();
}

}  // namespace zaffo::remote
