// HTTP and HTTPS requests: download to a file, fetch text, post a form. One client per request; the server's
// certificate is verified and TLS 1.2 or newer is negotiated; every request has a connect timeout, gives up
// when the transfer stalls, and has an overall limit fitting what it fetches, so neither a dead nor a trickling
// server can hang the program: a fetch or a post (a catalogue, a descriptor, a form's answer) must be complete
// within DeadlineSeconds; a download (the results archive, an update package) must keep a minimum average rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zorb {

struct TProxy {
    int Mode = 0; // 0 none, 1 automatic, 2 manual
    std::string Server;
    int Port = 80;
    std::string Username;
    std::string Password;

    // Requests go through the proxy only when it is chosen by hand and complete.
    bool Usable() const { return Mode == 2 && !Server.empty() && Port > 0; }
};

struct THttpOptions {
    TProxy Proxy;
    bool FollowRedirects = true;
    long ConnectTimeoutSeconds = 20;
    long StallSeconds = 30;    // fails when fewer than one byte a second arrives for this long
    long DeadlineSeconds = 60; // fetch and post: the whole request, connection included
    // Download: from RateGraceSeconds on, the bytes received over the time taken may not fall below this.
    int64_t MinAverageBytesPerSecond = 2048;
    long RateGraceSeconds = 60;
    std::string CaFile;             // extra trusted certificates (tests); empty: the system's store
    std::function<void()> Progress; // called now and then while waiting, to keep a window alive
    // The body may not pass this many bytes (as decoded): a server that keeps sending must not fill the disk or
    // the memory. Server replies are small; a download sets what its file may reach.
    int64_t MaxBytes = 32ll << 20;
    // Sees every body byte, in order, as it is stored: a download is checked while it streams to disk.
    std::function<void(const char* data, size_t size)> OnBody;
};

// Raise EZorbError with the library's message on any failure, an HTTP error status included, a body over
// MaxBytes and a cancel request (core/Cancel.h); a failed download leaves no partial file.
void DownloadToFile(const std::string& url, const std::string& path, const THttpOptions& options = {});
std::string FetchText(const std::string& url, const THttpOptions& options = {});
using TFormFields = std::vector<std::pair<std::string, std::string>>;
std::string PostForm(const std::string& url, const TFormFields& fields, const THttpOptions& options = {});

// The form encoding of the fields ("a=1&b=%D0%B0").
std::string EncodeForm(const TFormFields& fields);

} // namespace zorb
