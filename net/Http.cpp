#include "net/Http.h"

#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace zorb {

namespace {

const char* const AcceptHeader = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
const char* const UserAgent = "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
                              "Chrome/47.0.2526.80 Safari/537.36";

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct TSlistFree {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// Where a body goes, counted against the limit: refusing the bytes (returning less than given) aborts the transfer.
struct TSink {
    std::string* Text = nullptr;
    FILE* File = nullptr;
    int64_t Max = 0;
    int64_t Received = 0;
    bool TooLarge = false;
    const std::function<void(const char*, size_t)>* Observer = nullptr;
};

size_t ToSink(char* data, size_t size, size_t n, void* user) {
    auto* sink = static_cast<TSink*>(user);
    const size_t bytes = size * n;
    sink->Received += static_cast<int64_t>(bytes);
    if (sink->Received > sink->Max) {
        sink->TooLarge = true;
        return 0;
    }
    if (sink->Text) {
        sink->Text->append(data, bytes);
    } else if (std::fwrite(data, 1, bytes, sink->File) != bytes) {
        return 0;
    }
    if (sink->Observer && *sink->Observer) (*sink->Observer)(data, bytes);
    return bytes;
}

// The overall limit of one request: a deadline for the whole of it, or a minimum average rate.
struct TLimit {
    const THttpOptions* Options = nullptr;
    std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
    long Deadline = 0;
    int64_t MinRate = 0;
    enum { None, DeadlinePassed, TooSlow } Hit = None;
    int64_t Rate = 0; // bytes a second when too slow

    double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count(); }
};

// Called about once a second even while nothing arrives, so the limits hold against a silent server too.
int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* limit = static_cast<TLimit*>(user);
    if (CancelRequested()) return 1;
    const double elapsed = limit->Elapsed();
    if (limit->Deadline > 0 && elapsed >= static_cast<double>(limit->Deadline)) {
        limit->Hit = TLimit::DeadlinePassed;
        return 1;
    }
    if (limit->MinRate > 0 && elapsed >= static_cast<double>(std::max(limit->Options->RateGraceSeconds, 1L)) &&
        static_cast<double>(received) < static_cast<double>(limit->MinRate) * elapsed) {
        limit->Hit = TLimit::TooSlow;
        limit->Rate = static_cast<int64_t>(static_cast<double>(received) / elapsed);
        return 1;
    }
    if (limit->Options->Progress) limit->Options->Progress();
    return 0;
}

std::string LimitText(const TLimit& limit) {
    if (limit.Hit == TLimit::TooSlow)
        return Format(Tr("Загрузка идёт слишком медленно: в среднем %d байт/с при допустимых не менее %d байт/с; "
                         "загрузка прервана."),
                      limit.Rate, limit.MinRate);
    return Format(Tr("Сервер не передал ответ целиком за %d с; запрос прерван."), limit.Deadline);
}

std::string TooLargeText(int64_t max) {
    return Format(Tr("Ответ сервера больше допустимого размера (%d КБ); загрузка прервана."), max >> 10);
}

// The library's own text, after a plain statement of what went wrong for the failures users meet.
std::string ErrorText(CURLcode rc, const std::string& detail) {
    const char* what = nullptr;
    switch (rc) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
        what = "Не удалось установить защищённое соединение: сертификат сервера не прошёл проверку или сервер не "
               "поддерживает TLS 1.2.";
        break;
    case CURLE_OPERATION_TIMEDOUT: what = "Сервер не отвечает: время ожидания истекло."; break;
    case CURLE_COULDNT_CONNECT: what = "Не удалось подключиться к серверу."; break;
    case CURLE_COULDNT_RESOLVE_HOST: what = "Сервер не найден."; break;
    case CURLE_COULDNT_RESOLVE_PROXY: what = "Прокси-сервер не найден."; break;
    case CURLE_HTTP_RETURNED_ERROR: what = "Сервер вернул ошибку."; break;
    case CURLE_TOO_MANY_REDIRECTS: what = "Слишком много перенаправлений."; break;
    case CURLE_UNSUPPORTED_PROTOCOL: what = "Адрес должен начинаться с http:// или https://."; break;
    case CURLE_URL_MALFORMAT: what = "Неверный адрес."; break;
    default: break;
    }
    return what ? Tr(what) + "\r" + detail : detail;
}

// One request; `setup` adds what differs between the operations.
// One request; `setup` adds what differs between the operations. A download is held to the average rate, the
// others to the deadline.
void Perform(const std::string& url, const THttpOptions& options, TSink& sink, bool download,
             const std::function<void(CURL*)>& setup = {}) {
    GlobalInit();
    const TCancellableScope cancellable;
    std::unique_ptr<CURL, TCurlFree> curl(curl_easy_init());
    if (!curl) throw EZorbError(Tr("Не удалось создать HTTP-клиент"));
    CURL* c = curl.get();
    std::unique_ptr<curl_slist, TSlistFree> headers(curl_slist_append(nullptr, AcceptHeader));
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_USERAGENT, UserAgent);
    // Only encodings that can be decoded are offered.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, options.FollowRedirects ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!options.CaFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, options.CaFile.c_str());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options.ConnectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options.StallSeconds);
    TLimit limit;
    limit.Options = &options;
    if (download) {
        limit.MinRate = options.MinAverageBytesPerSecond;
    } else if (options.DeadlineSeconds > 0) {
        limit.Deadline = options.DeadlineSeconds;
        // In case the callback is not reached (a resolver that blocks): the library's own limit, a little later.
        curl_easy_setopt(c, CURLOPT_TIMEOUT, options.DeadlineSeconds + 5);
    }
    // Always on: the callback is where a cancel request and the overall limit stop the transfer.
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &limit);
    sink.Max = options.MaxBytes;
    sink.Observer = &options.OnBody;
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.MaxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, ToSink);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    if (options.Proxy.Mode == 0) curl_easy_setopt(c, CURLOPT_PROXY, ""); // not even the environment's
    if (options.Proxy.Usable()) {
        curl_easy_setopt(c, CURLOPT_PROXY, options.Proxy.Server.c_str());
        curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(options.Proxy.Port));
        if (!options.Proxy.Username.empty()) {
            curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, options.Proxy.Username.c_str());
            curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, options.Proxy.Password.c_str());
        }
    }
    if (setup) setup(c);
    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK) return;
    if (sink.TooLarge || rc == CURLE_FILESIZE_EXCEEDED) throw EZorbError(TooLargeText(options.MaxBytes));
    if (rc == CURLE_ABORTED_BY_CALLBACK && CancelRequested()) throw EZorbError(Tr("Операция прервана."));
    if (limit.Hit != TLimit::None) throw EZorbError(LimitText(limit));
    if (rc == CURLE_OPERATION_TIMEDOUT && limit.Deadline > 0 &&
        limit.Elapsed() >= static_cast<double>(limit.Deadline)) {
        limit.Hit = TLimit::DeadlinePassed;
        throw EZorbError(LimitText(limit));
    }
    throw EZorbError(ErrorText(rc, error[0] ? std::string(error) : curl_easy_strerror(rc)));
}

} // namespace

void DownloadToFile(const std::string& url, const std::string& path, const THttpOptions& options) {
    // The body goes to a file beside the target, which replaces the target only when the transfer is complete.
    const std::string part = path + ".~part";
    FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) throw EZorbError(Format(Tr("Не удалось создать файл \"%s\""), part));
    try {
        TSink sink;
        sink.File = f;
        Perform(url, options, sink, true);
    } catch (...) {
        std::fclose(f);
        DeleteFileIfExists(part);
        throw;
    }
    const bool written = std::fflush(f) == 0;
    std::fclose(f);
    if (!written || std::rename(part.c_str(), path.c_str()) != 0) {
        DeleteFileIfExists(part);
        throw EZorbError(Format(Tr("Не удалось записать файл \"%s\""), path));
    }
}

std::string FetchText(const std::string& url, const THttpOptions& options) {
    std::string body;
    TSink sink;
    sink.Text = &body;
    Perform(url, options, sink, false);
    return body;
}

std::string EncodeForm(const TFormFields& fields) {
    std::string out;
    static const char hex[] = "0123456789ABCDEF";
    auto escape = [&](const std::string& s) {
        for (unsigned char ch : s) {
            const bool alnum = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
            if (alnum || ch == '-' || ch == '_' || ch == '.' || ch == '*')
                out += static_cast<char>(ch);
            else if (ch == ' ')
                out += '+';
            else {
                out += '%';
                out += hex[ch >> 4];
                out += hex[ch & 15];
            }
        }
    };
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += '&';
        escape(fields[i].first);
        out += '=';
        escape(fields[i].second);
    }
    return out;
}

std::string PostForm(const std::string& url, const TFormFields& fields, const THttpOptions& options) {
    std::string body;
    const std::string form = EncodeForm(fields);
    TSink sink;
    sink.Text = &body;
    Perform(url, options, sink, false, [&](CURL* c) {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, form.c_str());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(form.size()));
    });
    return body;
}

} // namespace zorb
