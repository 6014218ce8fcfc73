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

// The user's fields as the file holds them, trimmed; an empty ServerUrl stays empty here.
TOnlineFields FieldsOf(const TIniFile& ini) {
    TOnlineFields f;
    f.ServerUrl = Trim(ini.ReadString(Section, "ServerUrl", ""));
    f.UserName = Trim(ini.ReadString(Section, "UserName", ""));
    f.UserMail = Trim(ini.ReadString(Section, "UserMail", ""));
    f.UpdateDescriptorUrl = Trim(ini.ReadString("GLOBAL", "UpdateDescriptorUrl", ""));
    return f;
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
    const std::unique_ptr<TIniFile> file = app.ReadSettingsFile();
    TIniFile& ini = *file;
    const bool readable = !ini.LoadFailed();
    const TOnlineFields f = FieldsOf(ini);
    TOnlineSettings s;
    s.ServerUrl = f.ServerUrl;
    while (!s.ServerUrl.empty() && s.ServerUrl.back() == '/') s.ServerUrl.pop_back();
    s.DefaultServer = s.ServerUrl.empty();
    if (s.DefaultServer) s.ServerUrl = DefaultOnlineServerUrl;
    s.UserName = f.UserName;
    s.UserMail = f.UserMail;
    s.InstallationId = Trim(ini.ReadString(Section, "InstallationId", ""));
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

TOnlineFields ReadOnlineFields(TAppServices& app) {
    return FieldsOf(*app.ReadSettingsFile());
}

std::string CheckOnlineFields(const TOnlineFields& f) {
    auto httpAddress = [](const std::string& url) {
        const std::string lower = LowerCase(Trim(url));
        return lower.empty() || ((lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) &&
                                 lower.find_first_of(" \t") == std::string::npos);
    };
    if (!httpAddress(f.ServerUrl)) return Tr("Адрес сервера должен начинаться с http:// или https://");
    if (!httpAddress(f.UpdateDescriptorUrl)) return Tr("Адрес обновлений должен начинаться с http:// или https://");
    const std::string name = Trim(f.UserName), mail = Trim(f.UserMail);
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
    ini.WriteString(Section, "ServerUrl", Trim(f.ServerUrl));
    ini.WriteString(Section, "UserName", Trim(f.UserName));
    ini.WriteString(Section, "UserMail", Trim(f.UserMail));
    ini.WriteString("GLOBAL", "UpdateDescriptorUrl", Trim(f.UpdateDescriptorUrl));
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
