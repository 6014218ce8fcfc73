// Who this installation is to the maker's server: section ONLINE of the game settings file. The installation id
// is made once at random and written at once, so every later request (and every copy of the settings dialog)
// carries the same one.
#pragma once

#include "online/OnlineClient.h"

#include <string>

namespace zorb {

class TAppServices;

inline constexpr const char* DefaultOnlineServerUrl = "https://zorb6x52.example";

struct TOnlineSettings {
    std::string ServerUrl, UserName, UserMail, InstallationId;
    bool DefaultServer = false; // no ServerUrl in the file: the maker's address stands in
};

// Reads the section; an empty ServerUrl gives the maker's address. A missing or malformed InstallationId is made
// and saved here (a read-only run keeps it for this run only).
TOnlineSettings ReadOnlineSettings(TAppServices& app);
// The identity of a request: the settings, this program's id and version, the interface language and the HTTP
// options given.
TOnlineIdentity OnlineIdentityOf(const TOnlineSettings& s, int lcid, const THttpOptions& http);

// The settings dialog's online fields: section ONLINE and GLOBAL UpdateDescriptorUrl, as the file holds them
// (empty addresses: the built-in ones).
struct TOnlineFields {
    std::string ServerUrl, UserName, UserMail, UpdateDescriptorUrl;
};
TOnlineFields ReadOnlineFields(TAppServices& app);
// The first problem, empty when the fields are good: an address that is not http(s), a name or an e-mail the
// server would refuse (e-mail: one "@", no spaces, at most 254 characters).
std::string CheckOnlineFields(const TOnlineFields& f);
// Raises when the file cannot be read or written; the installation id stays.
void WriteOnlineFields(TAppServices& app, const TOnlineFields& f);

// 32 upper-case hex digits from the system's random source.
std::string MakeInstallationId();
// 32 hex digits in either case: ids written by earlier builds stay the installation's id.
bool ValidInstallationId(const std::string& id);

} // namespace zorb
