// Clients that hold connections open without finishing a request: 64 that send one byte a second to the HTTP port
// and 64 that say nothing to the HTTPS port, for 30 s, reconnecting whenever the server cuts them. Meanwhile a
// normal client's requests on both ports must each be answered within 2 s. Loopback only; about 30 s.
#include "ServerFixture.h"
#include "net/Http.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zorb::test {
namespace {

using Clock = std::chrono::steady_clock;

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// True while the server keeps the connection (nothing to read, no hang-up).
bool StillOpen(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

class TTricklers {
public:
    TTricklers(int httpPort, int httpsPort, int count) : FHttpPort(httpPort), FHttpsPort(httpsPort) {
        FDrip.assign(static_cast<size_t>(count), {-1, 0});
        FSilent.assign(static_cast<size_t>(count), -1);
        FThread = std::thread([this] { Run(); });
    }
    ~TTricklers() {
        FStop = true;
        FThread.join();
        for (auto& [fd, sent] : FDrip)
            if (fd >= 0) ::close(fd);
        for (int fd : FSilent)
            if (fd >= 0) ::close(fd);
    }
    int Reconnects() const { return FReconnects; }

private:
    // A header that never ends.
    const std::string FRequest =
        "POST /scripts/sys_getlist.php HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Padding: " + std::string(4096, 'x');
    int FHttpPort, FHttpsPort;
    std::vector<std::pair<int, size_t>> FDrip; // socket, bytes sent
    std::vector<int> FSilent;
    std::atomic<bool> FStop{false};
    std::atomic<int> FReconnects{0};
    std::thread FThread;

    void Run() {
        auto next = Clock::now();
        while (!FStop) {
            for (auto& [fd, sent] : FDrip) {
                if (fd >= 0 &&
                    (!StillOpen(fd) || ::send(fd, &FRequest[sent % FRequest.size()], 1, MSG_NOSIGNAL) != 1)) {
                    ::close(fd);
                    fd = -1;
                    ++FReconnects;
                }
                if (fd < 0) {
                    fd = Connect(FHttpPort);
                    sent = 0;
                    if (fd >= 0 && ::send(fd, FRequest.data(), 1, MSG_NOSIGNAL) == 1) sent = 1;
                } else
                    ++sent;
            }
            for (int& fd : FSilent) {
                if (fd >= 0 && !StillOpen(fd)) {
                    ::close(fd);
                    fd = -1;
                    ++FReconnects;
                }
                if (fd < 0) fd = Connect(FHttpsPort);
            }
            next += std::chrono::seconds(1);
            while (!FStop && Clock::now() < next) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
};

TEST(SlowClientTest, NormalRequestsAreAnsweredWhileManyClientsTrickle) {
    TTempDir dir;
    const std::string data = ZORB_TEST_DATA;
    server::THostOptions tls;
    tls.CertFile = data + "/selfsigned.crt";
    tls.KeyFile = data + "/selfsigned.key";
    TServerHost http(server::OpenSqliteStore(dir.File("http.db")), {});
    TServerHost https(server::OpenSqliteStore(dir.File("https.db")), {}, tls);
    THttpOptions options;
    options.CaFile = tls.CertFile;
    options.ConnectTimeoutSeconds = 10;
    options.StallSeconds = 10;

    TTricklers tricklers(http.Port(), https.Port(), 64);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // every trickler is connected
    const TFormFields form = {{"scr_id", "-1"}, {"scr_title", "Новый"}};
    double slowest = 0;
    int answered = 0;
    std::vector<std::string> failures;
    const auto end = Clock::now() + std::chrono::seconds(28);
    while (Clock::now() < end) {
        for (const TServerHost* host : {&http, &https}) {
            const auto start = Clock::now();
            try {
                const std::string reply = PostForm(host->Url("/scripts/scr_chktitle.php"), form, options);
                if (reply.find("<ret_code>0</ret_code>") == std::string::npos) failures.push_back(reply);
                ++answered;
            } catch (const std::exception& e) {
                failures.push_back(e.what());
            }
            slowest = std::max(slowest, std::chrono::duration<double>(Clock::now() - start).count());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    EXPECT_TRUE(failures.empty()) << failures.size() << " failed, the first: " << failures.front();
    EXPECT_LT(slowest, 2.0) << "seconds for the slowest of " << answered << " requests";
    EXPECT_GT(answered, 40);
    EXPECT_GT(tricklers.Reconnects(), 0) << "the server cuts a request that never completes";
}

} // namespace
} // namespace zorb::test
