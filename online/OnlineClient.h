// The requests to the maker's server for system games and the scenario library, and the reading of their
// replies. Replies are treated as hostile: a row with an error, a malformed integer, a value out of range, bad
// Base64 or bad UTF-8 fail the request with a clear text; the size of a reply is bounded by the HTTP options.
#pragma once

#include "core/KestoUtils.h"
#include "net/Http.h"

#include <string>
#include <vector>

namespace zorb {

// This program's application identifier on the maker's server.
inline constexpr const char* ZorbAppId = "{6F0C2A52-5E1B-4D8A-9C37-52A6E0B1D406}";

// Who asks, and where: section ONLINE of the settings file gives the server and the user; the installation id
// is made once at random.
struct TOnlineIdentity {
    std::string ServerUrl; // "https://host:port", without the trailing slash
    std::string AppId = ZorbAppId;
    std::string AppVer = ZORB_VERSION;
    std::string Hwdid;
    std::string Name, Mail;
    int Lcid = 1049;
    THttpOptions Http;
};

struct tSystemInfo {
    int32_t Id = 0;
    uint8_t Nums = 0, Olap = 0;
    int32_t CSize = 0;
    std::string Title, Author, AuthorMail, Descr;
    TDateTime Created = 0;
    int32_t Downloads = 0;
    TDateTime LastDownload = 0;
    std::string Url;
};

struct tSystemData {
    tSystemInfo Info;
    std::string Combs; // lines separated by line breaks
};

// Catalogue rows; a reply without "<result>" content gives the placeholder row (id -1).
std::vector<tSystemInfo> RequestSystemList(const TOnlineIdentity& who);
// The combination text of a system (UTF-8 from the server, as 8-bit text). The server counts a download only
// when the lines are fetched to be kept, not when they are only shown.
std::string RequestSystemData(const TOnlineIdentity& who, int id, bool download = true);
// Publishes (id 0), changes or deletes; the id the server gives, -1 when no row gives one.
int RequestSystemPut(const TOnlineIdentity& who, const tSystemData& data, bool remove);

struct tScriptInfo {
    int32_t Id = 0;
    std::string Author, AuthorMail;
    int32_t Language = 0;
    std::string AppName, AppVersion;
    bool Universal = false, Public = false;
    TDateTime Created = 0;
    double Rating = 0;
    int32_t RatingCount = 0, MyRating = 0, Downloads = 0;
    TDateTime LastDownload = 0;
    std::string Title, Descr;
    bool Mine = false, Usable = false, Editable = false;
};

struct tScriptData {
    int32_t Id = -1;
    std::string Author;
    int32_t Language = 0;
    bool Universal = false, Public = true;
    std::string Title, Descr;
};

// The fields a publication sends, as a catalogue row holds them.
tScriptData ScriptDataOf(const tScriptInfo& s);

struct TScriptRate {
    std::string Name;
    int Rate = 0;
    TDateTime Created = 0;
    std::string AppName, AppVer, Notes;
};

std::vector<tScriptInfo> RequestScriptList(const TOnlineIdentity& who, int fltid);
std::string RequestScriptText(const TOnlineIdentity& who, int id);
// Raises "Код возврата: %d" for a negative result code.
void RequestScriptRate(const TOnlineIdentity& who, int id, int value, const std::string& notes);
// True when the title is free for this id (-1 for a new scenario).
bool RequestScriptTitleFree(const TOnlineIdentity& who, int id, const std::string& title);
// The scenario's id (> 0) or what the server gave.
int RequestScriptPut(const TOnlineIdentity& who, const tScriptData& data, const std::string& script);
// 0 on success.
int RequestScriptDelete(const TOnlineIdentity& who, const tScriptData& data);
std::vector<TScriptRate> RequestScriptRates(const TOnlineIdentity& who, int id);

// The reply's rows ("<row>" values), checked for "<error>"; a reply without "<result>" content gives none and
// sets `empty`.
std::vector<std::string> ReplyRows(const std::string& reply, bool* empty = nullptr);

} // namespace zorb
