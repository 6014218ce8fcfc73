// The overall limits of a request against a loopback server that trickles its reply, with short limits injected:
// a fetch or a post ends at its deadline, a download when its average rate stays too low; each says which.
#include "../common/TestHttpServer.h"
#include "../core/TestFiles.h"
#include "core/Errors.h"
#include "net/Http.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace zorb::test {
namespace {

std::string RequestError(const std::function<void()>& request) {
    try {
        request();
    } catch (const EZorbError& e) {
        return e.what();
    }
    return "<no error>";
}

class HttpLimitTest : public testing::Test {
protected:
    TTestHttpServer Http;
    TTempDir Dir;
    std::atomic<bool> Stop{false};

    void SetUp() override {
        // Three bytes a second, for at most 30 seconds: enough to pass every stall limit, never a whole reply.
        auto trickle = [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t offset, httplib::DataSink& sink) {
                if (offset >= 90 || Stop) return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(333));
                return sink.write("<", 1);
            });
        };
        Http.Server().Get("/trickle", trickle);
        Http.Server().Post("/scripts/sys_getlist.php", trickle);
        Http.Server().Get("/fast", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(1 << 20, 'z'), "application/zip");
        });
        Http.Start();
    }
    void TearDown() override { Stop = true; }

    static THttpOptions Short() {
        THttpOptions o;
        o.StallSeconds = 30; // the trickle keeps the stall limit from firing
        o.DeadlineSeconds = 2;
        o.MinAverageBytesPerSecond = 1000;
        o.RateGraceSeconds = 1;
        return o;
    }
};

TEST_F(HttpLimitTest, TricklingServerIsCutOffByTheLimitOfEachKindOfRequest) {
    const struct {
        const char* Name;
        std::function<void()> Request;
        const char* Says;
    } cases[] = {
        {"catalogue post",
         [&] {
             PostForm(Http.Url("/scripts/sys_getlist.php"), {{"a", "1"}}, Short());
         },
         "Сервер не передал ответ целиком за 2 с; запрос прерван."},
        {"fetch", [&] { FetchText(Http.Url("/trickle"), Short()); },
         "Сервер не передал ответ целиком за 2 с; запрос прерван."},
        {"download", [&] { DownloadToFile(Http.Url("/trickle"), Dir.File("pkg.zip"), Short()); },
         "Загрузка идёт слишком медленно: в среднем"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const std::string error = RequestError(c.Request);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(error.rfind(c.Says, 0), 0u) << c.Name << ": " << error;
        EXPECT_LT(seconds, 10) << c.Name; // without the limit: the 30 s of the trickle
    }
    EXPECT_TRUE(Dir.Names().empty()) << "a download cut off leaves no file";
}

TEST_F(HttpLimitTest, FastRepliesPassTheSameLimits) {
    EXPECT_EQ(FetchText(Http.Url("/fast"), Short()).size(), 1u << 20);
    DownloadToFile(Http.Url("/fast"), Dir.File("a.zip"), Short());
    EXPECT_EQ(ReadRaw(Dir.File("a.zip")).size(), 1u << 20);
}

// A download is checked while it streams: the observer sees exactly the bytes the file gets.
TEST_F(HttpLimitTest, BodyObserverSeesTheStoredBytes) {
    THttpOptions o;
    std::string seen;
    o.OnBody = [&](const char* data, size_t size) { seen.append(data, size); };
    DownloadToFile(Http.Url("/fast"), Dir.File("b.zip"), o);
    EXPECT_TRUE(seen == ReadRaw(Dir.File("b.zip")));
    EXPECT_EQ(seen.size(), 1u << 20);
}

} // namespace
} // namespace zorb::test
