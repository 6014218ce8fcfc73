#include "app/OnlineIdentity.h"

#include "app/AppServices.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/OnlineWire.h"

#include <algorithm>
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

TOnlineFields ReadOnlineFields(TAppServices& app) {
    TIniFile ini(app.SettingsPath());
    try {
        ini.Load();
    } catch (...) {}
    TOnlineFields f;
    f.ServerUrl = Trimmed(ini.ReadString(Section, "ServerUrl", ""));
    f.UserName = Trimmed(ini.ReadString(Section, "UserName", ""));
    f.UserMail = Trimmed(ini.ReadString(Section, "UserMail", ""));
    f.UpdateDescriptorUrl = Trimmed(ini.ReadString("GLOBAL", "UpdateDescriptorUrl", ""));
    return f;
}

std::string CheckOnlineFields(const TOnlineFields& f) {
    auto httpAddress = [](const std::string& url) {
        const std::string lower = LowerCase(Trimmed(url));
        return lower.empty() || ((lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) &&
                                 lower.find_first_of(" \t") == std::string::npos);
    };
    if (!httpAddress(f.ServerUrl)) return Tr("Адрес сервера должен начинаться с http:// или https://");
    if (!httpAddress(f.UpdateDescriptorUrl)) return Tr("Адрес обновлений должен начинаться с http:// или https://");
    const std::string name = Trimmed(f.UserName), mail = Trimmed(f.UserMail);
    // The server refuses these characters in plain-text fields.
    if (!IsCleanText(name, false) || name.find_first_of("<>") != std::string::npos || Utf8Length(name) > 64)
        return Tr("Имя пользователя: не более 64 символов, без символов < и >");
    if (!mail.empty() &&
        (mail.size() > 254 || std::count(mail.begin(), mail.end(), '@') != 1 || mail.front() == '@' ||
         mail.back() == '@' || mail.find_first_of(" <>\t") != std::string::npos || !IsCleanText(mail, false)))
        return Tr("Указан недопустимый e-mail!");
    return "";
}

void WriteOnlineFields(TAppServices& app, const TOnlineFields& f) {
    TIniFile ini(app.SettingsPath());
    ini.Load(); // an unreadable file raises: never replace it by defaults
    ini.WriteString(Section, "ServerUrl", Trimmed(f.ServerUrl));
    ini.WriteString(Section, "UserName", Trimmed(f.UserName));
    ini.WriteString(Section, "UserMail", Trimmed(f.UserMail));
    ini.WriteString("GLOBAL", "UpdateDescriptorUrl", Trimmed(f.UpdateDescriptorUrl));
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
