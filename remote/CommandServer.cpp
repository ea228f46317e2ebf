#include "remote/CommandServer.h"

#include "remote/PrivateFolder.h"
#include "remote/RemoteReply.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zaffo::remote {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t readChunk = 4096;

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

sockaddr_un socketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

// Best effort on a fresh non-blocking socket: a refused client may not read it at all.
void tellAndClose(int fd, const std::string& why) {
    const std::string bytes = refusal(why);
    [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    close(fd);
}

}  // namespace

CommandServer::CommandServer(const std::string& folder, LineHandler onLine, Limits limits)
    : socketPath_(commandSocketPath(folder)), onLine_(std::move(onLine)), limits_(limits) {
    makePrivateFolder(folder);
    const sockaddr_un address = socketAddress(socketPath_);
    // The lock is held as long as this server lives and goes with the process however it ends:
    // a socket without it was left by a program that was killed.
    const std::string lockPath = folder + "/commands.lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) throw systemError("cannot open " + lockPath);
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        close(lockFd_);
        lockFd_ = -1;
        return;
    }
    // Whatever is at the path (a stale socket, a planted link) is removed, never followed.
    if (unlink(socketPath_.c_str()) != 0 && errno != ENOENT) throw systemError("cannot replace " + socketPath_);
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (listenFd_ < 0 || wakeFd_ < 0 || bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) ||
        chmod(socketPath_.c_str(), 0600) || listen(listenFd_, 128)) {
        const std::runtime_error error = systemError("cannot listen on " + socketPath_);
        if (listenFd_ >= 0) close(listenFd_);
        if (wakeFd_ >= 0) close(wakeFd_);
        close(lockFd_);
        throw error;
    }
    thread_ = std::thread([this] { serve(); });
}

CommandServer::~CommandServer() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(repliesMutex_);
            stopping_ = true;
        }
        wake();
        thread_.join();
    }
    for (auto& [id, client] : clients_) close(client.fd);
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
    if (wakeFd_ >= 0) close(wakeFd_);
    if (lockFd_ >= 0) close(lockFd_);
}

void CommandServer::reply(ClientId client, std::string bytes) {
    {
        std::lock_guard lock(repliesMutex_);
        replies_.emplace_back(client, std::move(bytes));
    }
    wake();
}

void CommandServer::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
}

void CommandServer::serve() {
    std::vector<pollfd> fds;
    std::vector<ClientId> ids;
    for (;;) {
        fds.assign({{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}});
        ids.assign(2, 0);
        for (const auto& [id, client] : clients_) {
            // A client whose line is being run is left alone until its reply comes.
            const bool reading = client.out.empty() && !client.working && !client.closing;
            const short events = !client.out.empty() ? POLLOUT : reading ? POLLIN : 0;
            fds.push_back({events ? client.fd : -1, events, 0});
            ids.push_back(id);
        }
        if (poll(fds.data(), fds.size(), pollTimeout()) < 0 && errno != EINTR) return;
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
            {
                std::lock_guard lock(repliesMutex_);
                if (stopping_) return;
            }
            takeReplies();
        }
        if (fds[1].revents & POLLIN) acceptClients();
        for (std::size_t i = 2; i < fds.size(); ++i) {
            const auto found = clients_.find(ids[i]);
            if (found == clients_.end() || fds[i].revents == 0) continue;
            Client& client = found->second;
            if (fds[i].events & POLLIN)
                readFrom(ids[i], client);
            else
                writeTo(ids[i], client);  // a client gone while it is owed bytes fails here
        }
        expireIdle();
        std::erase_if(clients_, [](const auto& entry) { return entry.second.fd < 0; });
    }
}

void CommandServer::acceptClients() {
    for (int fd; (fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) {
        if (!sameUser(fd)) {
            close(fd);
        } else if (clients_.size() >= limits_.maxClients) {
            tellAndClose(fd, "too many clients at once, try again");
        } else {
            clients_[nextId_++] = Client{fd, {}, {}, false, false, Clock::now()};
        }
    }
}

void CommandServer::readFrom(ClientId id, Client& client) {
    char bytes[readChunk];
    const ssize_t got = recv(client.fd, bytes, sizeof bytes, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (got <= 0) {  // gone, maybe in the middle of a line: the part line is dropped
        close(client.fd);
        client.fd = -1;
        return;
    }
    client.in.append(bytes, static_cast<std::size_t>(got));
    client.lastProgress = Clock::now();
    takeLine(id, client);
}

void CommandServer::takeLine(ClientId id, Client& client) {
    const std::size_t end = client.in.find('\n');
    const std::size_t length = end == std::string::npos ? client.in.size() : end;
    if (length > limits_.maxLine) {
        client.out = refusal("line longer than " + std::to_string(limits_.maxLine) + " bytes");
        client.in.clear();
        client.closing = true;
        return;
    }
    if (end == std::string::npos) return;
    std::string line = client.in.substr(0, end);
    client.in.erase(0, end + 1);
    client.working = true;
    onLine_(id, std::move(line));
}

void CommandServer::writeTo(ClientId id, Client& client) {
    const ssize_t sent = send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (sent < 0) {
        close(client.fd);
        client.fd = -1;
        return;
    }
    client.out.erase(0, static_cast<std::size_t>(sent));
    client.lastProgress = Clock::now();
    if (client.out.empty() && client.closing) {
        close(client.fd);
        client.fd = -1;
    } else if (client.out.empty()) {
        takeLine(id, client);  // a line that came with the last one
    }
}

void CommandServer::takeReplies() {
    std::vector<std::pair<ClientId, std::string>> taken;
    {
        std::lock_guard lock(repliesMutex_);
        taken.swap(replies_);
    }
    for (auto& [id, bytes] : taken) {
        const auto found = clients_.find(id);
        if (found == clients_.end()) continue;
        Client& client = found->second;
        client.out = client.out.empty() ? std::move(bytes) : client.out + bytes;
        client.working = false;
        client.lastProgress = Clock::now();
        writeTo(id, client);
    }
}

void CommandServer::expireIdle() {
    const auto now = Clock::now();
    for (auto& [id, client] : clients_) {
        if (client.fd < 0 || client.working || now - client.lastProgress < limits_.idle) continue;
        if (client.out.empty() && !client.closing) {
            tellAndClose(client.fd, "closed: nothing came for " + std::to_string(limits_.idle.count()) + " ms");
        } else {
            close(client.fd);
        }
        client.fd = -1;
    }
}

int CommandServer::pollTimeout() const {
    auto next = Clock::time_point::max();
    for (const auto& [id, client] : clients_)
        if (!client.working) next = std::min(next, client.lastProgress + limits_.idle);
    if (next == Clock::time_point::max()) return -1;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(wait + 1, 0, 60000));
}

}  // namespace zaffo::remote
