// A real HTTP(S) server on the loopback address inside the test process, and ZIP files built for it to serve.
#pragma once

#include <httplib.h>
#include <zip.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zorb::test {

class TTestHttpServer {
public:
    TTestHttpServer() : FServer(std::make_unique<httplib::Server>()) {}
    // HTTPS with the given certificate and key.
    TTestHttpServer(const std::string& certPath, const std::string& keyPath)
        : FServer(std::make_unique<httplib::SSLServer>(certPath.c_str(), keyPath.c_str())), FScheme("https") {}
    ~TTestHttpServer() { Stop(); }

    httplib::Server& Server() { return *FServer; }

    void Start() {
        FPort = FServer->bind_to_any_port("127.0.0.1");
        if (FPort <= 0) throw std::runtime_error("cannot bind the test server");
        FThread = std::thread([this] { FServer->listen_after_bind(); });
        for (int i = 0; i < 500 && !FServer->is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void Stop() {
        if (FThread.joinable()) {
            FServer->stop();
            FThread.join();
        }
    }
    int Port() const { return FPort; }
    std::string Url(const std::string& path) const { return FScheme + "://127.0.0.1:" + std::to_string(FPort) + path; }

private:
    std::unique_ptr<httplib::Server> FServer;
    std::string FScheme = "http";
    int FPort = 0;
    std::thread FThread;
};

// A port that accepts connections (the kernel completes them) but never answers.
class TSilentServer {
public:
    TSilentServer() {
        FFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (FFd < 0 || ::bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(FFd, 8) != 0 ||
            ::getsockname(FFd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("cannot open the silent port");
        FPort = ntohs(a.sin_port);
    }
    ~TSilentServer() { ::close(FFd); }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(FPort) + path; }

private:
    int FFd = -1;
    int FPort = 0;
};

// The bytes of a ZIP file holding the given entries (name, contents), built with libzip.
inline std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("zorb-zip-" + std::to_string(::getpid()) + ".zip")).string();
    std::filesystem::remove(path);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) throw std::runtime_error("zip_open failed");
    for (const auto& [name, data] : entries) {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            if (src) zip_source_free(src);
            zip_discard(z);
            throw std::runtime_error("zip_file_add failed");
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        throw std::runtime_error("zip_close failed");
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::string bytes;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    std::fclose(f);
    std::filesystem::remove(path);
    return bytes;
}

} // namespace zorb::test
