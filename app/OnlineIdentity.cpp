#include "app/OnlineIdentity.h"

#include "app/AppServices.h"
#include "core/IniFile.h"

#include <random>

namespace zorb {

namespace {
constexpr const char* Section = "ONLINE";

std::string Trimmed(std::string s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    size_t i = 0;
    while (i < s.size() && blank(s[i])) ++i;
    return s.substr(i);
}
} // namespace

std::string MakeInstallationId() {
    std::random_device rd;
    static const char* hex = "0123456789ABCDEF";
    std::string id;
    for (int i = 0; i < 8; ++i) {
        const unsigned v = rd();
        for (int k = 0; k < 4; ++k) id += hex[(v >> (k * 4)) & 15];
    }
    return id;
}

bool ValidInstallationId(const std::string& id) {
    if (id.size() != 32) return false;
    for (char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

TOnlineSettings ReadOnlineSettings(TAppServices& app) {
    TIniFile ini(app.SettingsPath());
    bool readable = true;
    try {
        ini.Load();
    } catch (...) {
        readable = false;
    }
    TOnlineSettings s;
    s.ServerUrl = Trimmed(ini.ReadString(Section, "ServerUrl", ""));
    while (!s.ServerUrl.empty() && s.ServerUrl.back() == '/') s.ServerUrl.pop_back();
    s.DefaultServer = s.ServerUrl.empty();
    if (s.DefaultServer) s.ServerUrl = DefaultOnlineServerUrl;
    s.UserName = Trimmed(ini.ReadString(Section, "UserName", ""));
    s.UserMail = Trimmed(ini.ReadString(Section, "UserMail", ""));
    s.InstallationId = Trimmed(ini.ReadString(Section, "InstallationId", ""));
    if (!ValidInstallationId(s.InstallationId)) {
        s.InstallationId = MakeInstallationId();
        if (readable && !app.ReadOnly()) {
            try {
                ini.WriteString(Section, "InstallationId", s.InstallationId);
                ini.Save();
            } catch (const std::exception& e) {
                app.ShowError(e.what());
            }
        }
    }
    return s;
}

void WriteOnlineSettings(TAppServices& app, const TOnlineSettings& s) {
    TIniFile ini(app.SettingsPath());
    ini.Load(); // an unreadable file raises: never replace it by defaults
    ini.WriteString(Section, "ServerUrl", Trimmed(s.ServerUrl));
    ini.WriteString(Section, "UserName", Trimmed(s.UserName));
    ini.WriteString(Section, "UserMail", Trimmed(s.UserMail));
    ini.Save();
}

TOnlineIdentity OnlineIdentityOf(const TOnlineSettings& s, int lcid, const THttpOptions& http) {
    TOnlineIdentity who;
    who.ServerUrl = s.ServerUrl;
    who.Hwdid = s.InstallationId;
    who.Name = s.UserName;
    who.Mail = s.UserMail;
    who.Lcid = lcid;
    who.Http = http;
    return who;
}

} // namespace zorb
