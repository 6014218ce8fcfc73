#include "net/Http.h"
#include "../common/TestHttpServer.h"
#include "../core/TestFiles.h"
#include "core/Cancel.h"
#include "core/Errors.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <string>

namespace zorb::test {
namespace {

// zlib's deflate in the given wrapper: 31 for gzip, 15 for the zlib stream HTTP calls "deflate".
std::string Compress(const std::string& data, int windowBits) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string RequestError(const std::function<void()>& request) {
    try {
        request();
    } catch (const EZorbError& e) {
        return e.what();
    }
    return "<no error>";
}

class HttpTest : public testing::Test {
protected:
    TTestHttpServer Http;
    TTempDir Dir;
    std::string LastAcceptEncoding, LastUserAgent, LastAccept;

    void SetUp() override {
        auto& s = Http.Server();
        s.Get("/text", [this](const httplib::Request& req, httplib::Response& res) {
            LastAcceptEncoding = req.get_header_value("Accept-Encoding");
            LastUserAgent = req.get_header_value("User-Agent");
            LastAccept = req.get_header_value("Accept");
            res.set_content("Привет, мир", "application/octet-stream");
        });
        s.Get("/gzip", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(Compress(std::string(5000, 'g') + "конец", 31), "application/octet-stream");
            res.set_header("Content-Encoding", "gzip");
        });
        s.Get("/deflate", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(Compress(std::string(3000, 'd'), 15), "application/octet-stream");
            res.set_header("Content-Encoding", "deflate");
        });
        s.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hop"); });
        s.Get("/hop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/text"); });
        s.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        s.Get("/short", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("12345", "application/octet-stream");
        });
        // A server that keeps sending (bounded, so a broken client cannot keep the test running).
        s.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/zip", [](size_t offset, httplib::DataSink& sink) {
                static const std::string zeros(1 << 16, '\0');
                if (offset > (256u << 20)) return false;
                return sink.write(zeros.data(), zeros.size());
            });
        });
        s.Get("/declared", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3 << 20, 'x'), "application/octet-stream");
        });
        s.Post("/form", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Content-Type") + "\n" + req.body, "application/octet-stream");
        });
        Http.Start();
    }
};

TEST_F(HttpTest, FetchSendsTheHeadersAndDecodesCompressedReplies) {
    EXPECT_EQ(FetchText(Http.Url("/text")), "Привет, мир");
    EXPECT_EQ(LastAcceptEncoding, "gzip, deflate");
    EXPECT_NE(LastUserAgent.find("Mozilla/5.0"), std::string::npos);
    EXPECT_EQ(LastAccept, "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");

    EXPECT_EQ(FetchText(Http.Url("/gzip")), std::string(5000, 'g') + "конец");
    EXPECT_EQ(FetchText(Http.Url("/deflate")), std::string(3000, 'd'));
    const std::string file = Dir.File("z.bin");
    DownloadToFile(Http.Url("/gzip"), file);
    EXPECT_EQ(ReadRaw(file), std::string(5000, 'g') + "конец");
}

TEST_F(HttpTest, RedirectsAreFollowedUpToALimit) {
    EXPECT_EQ(FetchText(Http.Url("/old")), "Привет, мир");
    const std::string loop = RequestError([&] { FetchText(Http.Url("/loop")); });
    EXPECT_NE(loop.find("перенаправлений"), std::string::npos) << loop;
}

TEST_F(HttpTest, ErrorStatusAndRefusedConnectionRaiseWithTheReason) {
    const std::string status = RequestError([&] { FetchText(Http.Url("/missing")); });
    EXPECT_NE(status.find("Сервер вернул ошибку"), std::string::npos) << status;
    EXPECT_NE(status.find("404"), std::string::npos) << status;

    const int port = Http.Port();
    Http.Stop();
    const std::string refused = RequestError([&] { FetchText("http://127.0.0.1:" + std::to_string(port) + "/text"); });
    EXPECT_NE(refused.find("Не удалось подключиться"), std::string::npos) << refused;

    EXPECT_NE(RequestError([] { FetchText("ftp://127.0.0.1/x"); }), "<no error>");
    EXPECT_NE(RequestError([] { FetchText("file:///etc/passwd"); }), "<no error>");
}

TEST_F(HttpTest, DownloadReplacesALongerFileAndAFailureLeavesItAlone) {
    const std::string file = Dir.File("data.zip");
    WriteRaw(file, std::string(10000, 'x'));
    DownloadToFile(Http.Url("/short"), file);
    EXPECT_EQ(ReadRaw(file), "12345");

    EXPECT_THROW(DownloadToFile(Http.Url("/missing"), file), EZorbError);
    EXPECT_EQ(ReadRaw(file), "12345");
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"data.zip"}); // no partial file left behind

    EXPECT_THROW(DownloadToFile(Http.Url("/short"), Dir.File("no-such-dir/x.zip")), EZorbError);
}

TEST_F(HttpTest, BodiesOverTheLimitAndCancelledTransfersStopAndLeaveNothing) {
    const std::string file = Dir.File("data.zip");
    WriteRaw(file, "old");
    THttpOptions limited;
    limited.MaxBytes = 1 << 20;
    THttpOptions cancelled;
    cancelled.Progress = [] { RequestCancel(); };
    const struct {
        const char* Name;
        const char* Path;
        const THttpOptions& Options;
        const char* Says;
    } cases[] = {{"endless download", "/endless", limited, "больше допустимого размера"},
                 {"declared length over the limit", "/declared", limited, "больше допустимого размера"},
                 {"cancel request", "/endless", cancelled, "прервана"}};
    for (const auto& c : cases) {
        const std::string error = RequestError([&] { DownloadToFile(Http.Url(c.Path), file, c.Options); });
        ResetCancel();
        EXPECT_NE(error.find(c.Says), std::string::npos) << c.Name << ": " << error;
        EXPECT_EQ(Dir.Names(), std::vector<std::string>{"data.zip"}) << c.Name << ": no partial file";
        EXPECT_EQ(ReadRaw(file), "old") << c.Name;
    }
    EXPECT_NE(RequestError([&] { FetchText(Http.Url("/endless"), limited); }).find("больше допустимого размера"),
              std::string::npos);
    EXPECT_EQ(FetchText(Http.Url("/declared")).size(), 3u << 20) << "the default limit leaves room for real replies";
}

TEST_F(HttpTest, FormPostEscapesNamesAndValues) {
    const std::string reply = PostForm(Http.Url("/form"), {{"name", "Иван П"}, {"x&y", "a=b+c%/~"}, {"empty", ""}});
    EXPECT_EQ(reply, "application/x-www-form-urlencoded\n"
                     "name=%D0%98%D0%B2%D0%B0%D0%BD+%D0%9F&x%26y=a%3Db%2Bc%25%2F%7E&empty=");
    EXPECT_EQ(EncodeForm({}), "");
    EXPECT_EQ(EncodeForm({{"a-b_c.d*", "Zz09"}}), "a-b_c.d*=Zz09");
}

TEST_F(HttpTest, ManualProxyCarriesTheRequest) {
    TTestHttpServer proxy;
    std::string seenTarget;
    proxy.Server().Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
        seenTarget = req.target;
        res.set_content("через прокси", "application/octet-stream");
    });
    proxy.Start();
    THttpOptions o;
    o.Proxy.Mode = 2;
    o.Proxy.Server = "127.0.0.1";
    o.Proxy.Port = proxy.Port();
    EXPECT_EQ(FetchText("http://results.zorb.invalid/archive.zip", o), "через прокси");
    EXPECT_EQ(seenTarget, "http://results.zorb.invalid/archive.zip");

    // Chosen but not manual: requests go straight to the server.
    o.Proxy.Mode = 0;
    EXPECT_EQ(FetchText(Http.Url("/text"), o), "Привет, мир");
}

TEST(HttpsTest, UntrustedCertificateIsRefusedAndTrustedOneAccepted) {
    const std::string data = ZORB_TEST_DATA;
    TTestHttpServer https(data + "/selfsigned.crt", data + "/selfsigned.key");
    https.Server().Get("/secret", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("данные", "application/octet-stream");
    });
    https.Start();

    const std::string error = RequestError([&] { FetchText(https.Url("/secret")); });
    EXPECT_NE(error.find("сертификат сервера не прошёл проверку"), std::string::npos) << error;
    TTempDir dir;
    EXPECT_THROW(DownloadToFile(https.Url("/secret"), dir.File("a.zip")), EZorbError);
    EXPECT_TRUE(dir.Names().empty());

    // The same server with its certificate trusted: the failure above was the verification, not TLS itself.
    THttpOptions trusted;
    trusted.CaFile = data + "/selfsigned.crt";
    EXPECT_EQ(FetchText(https.Url("/secret"), trusted), "данные");
}

TEST(HttpTimeoutTest, SilentServerFailsWithinTheStallTime) {
    TSilentServer silent;
    THttpOptions o;
    o.StallSeconds = 2;
    o.ConnectTimeoutSeconds = 2;
    int progressCalls = 0;
    o.Progress = [&] { ++progressCalls; };
    const auto start = std::chrono::steady_clock::now();
    const std::string error = RequestError([&] { FetchText(silent.Url("/x"), o); });
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NE(error.find("Сервер не отвечает"), std::string::npos) << error;
    EXPECT_LT(seconds, 20);      // a generous bound: without the stall limit the request would hang forever
    EXPECT_GT(progressCalls, 0); // the window is kept alive while waiting
}

} // namespace
} // namespace zorb::test
