// The command socket on real sockets in a temporary folder.

#include "remote/CommandClient.h"
#include "remote/CommandServer.h"
#include "remote/PrivateFolder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>

namespace zaffo::remote {
namespace {

using namespace std::chrono_literals;

int connectTo(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
}

// What comes until the peer closes (true), or until `wait` passes without a byte (false).
std::pair<std::string, bool> receive(int fd, std::chrono::milliseconds wait) {
    std::string got;
    char bytes[65536];
    pollfd watch{fd, POLLIN, 0};
    for (ssize_t n; poll(&watch, 1, static_cast<int>(wait.count())) > 0; got.append(bytes, static_cast<std::size_t>(n)))
        if ((n = recv(fd, bytes, sizeof bytes, 0)) <= 0) return {got, true};
    return {got, false};
}

// A server on the test's folder that answers each line at once, on its own thread: "did " and the line, or a megabyte
// for "big". The lines it took are kept.
class CommandServerTest : public ::testing::Test {
protected:
    void serve() {
        server = std::make_unique<CommandServer>(
            folder,
            [this](CommandServer::ClientId client, std::string line) {
                const bool big = line.size() == 3 && line[0] == 'b';
                server->reply(client, big ? bigReply : encodeReply({true, {{ReplyStyle::bold, "did " + line}}}));
                std::lock_guard lock(linesMutex);
                lines.push_back(line);
            },
            CommandServer::Limits{64 * 1024, 128, 300ms});
    }

    testing::TempFolder temp;
    const std::string folder = temp / "zaffo";
    // Made beforehand: the handler stands for the screen's loop, which the server's thread never waits for.
    const std::string bigReply = encodeReply({true, {{ReplyStyle::bold, std::string(1 << 20, 'x')}}});
    std::mutex linesMutex;
    std::vector<std::string> lines;
    std::unique_ptr<CommandServer> server;
};

// The server's user only, whatever stands where the folder and the socket go.
TEST_F(CommandServerTest, TheFolderIsPrivateAndWhatIsPlantedAtTheSocketIsReplacedNotFollowed) {
    testing::writeFile(temp / "target", "keep me");
    struct Case {
        const char* what;
        std::function<void()> plant;
        const char* refusal;  // empty: the server listens
    };
    const Case cases[] = {
        {"nothing", [] {}, ""},
        {"a link at the socket",
         [&] {
             mkdir(folder.c_str(), 0700);
             ASSERT_EQ(symlink((temp / "target").c_str(), commandSocketPath(folder).c_str()), 0);
         },
         ""},
        {"a socket left by a killed program",
         [&] {
             mkdir(folder.c_str(), 0700);
             ASSERT_EQ(mknod(commandSocketPath(folder).c_str(), S_IFSOCK | 0600, 0), 0);
         },
         ""},
        {"a link in place of the folder", [&] { symlink(temp.path().c_str(), folder.c_str()); }, "is a link"},
        {"a folder open to others", [&] { mkdir(folder.c_str(), 0755); }, "open to other users"},
        {"a file in place of the folder", [&] { testing::writeFile(folder, ""); }, "is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(folder);
        c.plant();
        if (*c.refusal) {
            try {
                serve();
                ADD_FAILURE() << "served";
            } catch (const std::runtime_error& error) {
                EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << error.what();
            }
            continue;
        }
        serve();
        struct stat status[2] = {};
        ASSERT_TRUE(lstat(folder.c_str(), &status[0]) == 0 && lstat(server->socketPath().c_str(), &status[1]) == 0);
        EXPECT_EQ(std::pair(status[0].st_mode, status[1].st_mode), std::pair(S_IFDIR | 0700u, S_IFSOCK | 0600u));
        EXPECT_EQ(testing::readFile(temp / "target"), "keep me");
        EXPECT_EQ(sendLine(server->socketPath(), "kick #"), (RemoteReply{true, {{ReplyStyle::bold, "did kick #"}}}));
        server.reset();
        EXPECT_FALSE(std::filesystem::exists(commandSocketPath(folder))) << "the socket goes with the server";
    }
}

// Another user reaches neither the folder nor, were the folder opened, the socket.
TEST_F(CommandServerTest, AnotherUserCannotConnect) {
    if (geteuid() != 0) GTEST_SKIP() << "becoming nobody needs root";
    serve();
    for (const mode_t folderMode : {0700, 0711}) {
        chmod(folder.c_str(), folderMode);
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
            const int fd = connectTo(server->socketPath());
            _exit(fd < 0 && errno == EACCES ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0) << "folder mode " << std::oct << folderMode;
    }
}

// Every bad client is closed in the end (the last of them is read until then), told why when it still reads, and the
// lines it never finished are never run.
TEST_F(CommandServerTest, BadClientsGetAnErrorOrAreClosedWhileOthersAreAnswered) {
    struct Case {
        const char* what;
        int clients;
        std::string sent;
        std::string answer;  // how what the last one reads begins
        bool hangUp = false;
        bool readLate = false;  // and it gets only part of its answer
    };
    const Case cases[] = {
        {"a line over 64 KiB", 1, std::string(64 * 1024 + 1, 'x'), refusal("line longer than 65536 bytes")},
        {"invalid UTF-8, passed on as it came", 1, "\xff\xc3 kick\n", "bdid \xff\xc3 kick\n=0\n"},
        {"a client that sends nothing", 1, "", refusal("closed: nothing came for 300 ms")},
        {"a client that stops reading", 1, "big\nafter\n", "bxxx", false, true},
        {"a client gone in the middle of a line", 1, "half a li", "", true},
        {"100 clients at once", 100, "n\n", "bdid n\n=0\n"},
        {"more clients than are taken", 130, "", refusal("too many clients at once, try again")},
    };
    serve();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> fds;
        for (int i = 0; i < c.clients; ++i) {
            fds.push_back(connectTo(server->socketPath()));
            ASSERT_TRUE(c.sent.empty() ||
                        send(fds.back(), c.sent.data(), c.sent.size(), MSG_NOSIGNAL) == ssize_t(c.sent.size()));
            if (c.hangUp) close(fds.back());
        }
        if (c.hangUp) fds.clear();
        const auto reply = sendLine(server->socketPath(), "good");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->lines.at(0).text,
                  c.clients <= 128 ? "did good" : "zaffo: too many clients at once, try again");
        if (c.readLate) std::this_thread::sleep_for(600ms);  // past the idle limit
        const auto [got, closed] = fds.empty() ? std::pair(std::string(), true) : receive(fds.back(), 3s);
        EXPECT_TRUE(got.starts_with(c.answer)) << got.substr(0, 80);
        EXPECT_TRUE(closed);
        EXPECT_TRUE(!c.readLate || got.size() < bigReply.size()) << "cut off";
        for (int fd : fds) close(fd);
    }
    std::lock_guard lock(linesMutex);
    for (const std::string& line : lines)
        EXPECT_TRUE(line.find("half") == std::string::npos && line.find("xxxx") == std::string::npos) << line;
}

}  // namespace
}  // namespace zaffo::remote
