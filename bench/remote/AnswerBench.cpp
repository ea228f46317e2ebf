// How long a sent line waits for its answer while bad clients hang on the command socket: the
// goal is well under 50 ms. The line is answered at once where it arrives, so what is measured
// is the socket's own road (a connection, the line, the reply), not the command.
//   build/bench/remote/remote_bench

#include "remote/CommandClient.h"
#include "remote/CommandServer.h"
#include "remote/RemoteReply.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using zaffo::remote::CommandServer;

int connectTo(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) close(fd);
    return fd;
}

// Arguments: silent clients; whether one more floods a line that never ends, and one more asks
// for a megabyte and never reads it.
void BM_AnswerWhileBadClientsHang(benchmark::State& state) {
    zaffo::testing::TempFolder temp;
    CommandServer* served = nullptr;
    CommandServer server(temp / "zaffo", [&served](CommandServer::ClientId client, std::string line) {
        const bool big = line.size() == 3 && line[0] == 'b';  // "big"
        const std::string text = big ? std::string(1 << 20, 'x') : "did " + line;
        served->reply(client, zaffo::remote::encodeReply({true, {{zaffo::remote::ReplyStyle::bold, text}}}));
    });
    served = &server;
    std::vector<int> bad;
    for (int i = 0; i < state.range(0); ++i) bad.push_back(connectTo(server.socketPath()));
    if (state.range(1)) {
        bad.push_back(connectTo(server.socketPath()));
        const std::string endless(48 * 1024, 'x');
        send(bad.back(), endless.data(), endless.size(), MSG_NOSIGNAL);
        bad.push_back(connectTo(server.socketPath()));
        send(bad.back(), "big\nbig\n", 8, MSG_NOSIGNAL);
    }
    for (auto _ : state) {
        auto reply = zaffo::remote::sendLine(server.socketPath(), "kick #-#-");
        if (!reply || reply->lines.empty()) state.SkipWithError("no answer");
        benchmark::DoNotOptimize(reply);
    }
    for (int fd : bad) close(fd);
}
BENCHMARK(BM_AnswerWhileBadClientsHang)
    ->Args({0, 0})
    ->Args({100, 0})
    ->Args({100, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
