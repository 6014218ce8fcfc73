#include "net/ProxySettings.h"

#include "core/IniFile.h"

namespace zorb {

TProxy LoadProxy(const std::string& iniPath) {
    TIniFile ini(iniPath);
    ini.Load();
    TProxy p;
    p.Server = ini.ReadString("PROXY", "ProxyServer", "");
    p.Port = ini.ReadInteger("PROXY", "ProxyPort", 80, 1, 65535);
    p.Username = ini.ReadString("PROXY", "ProxyUsername", "");
    p.Password = ini.ReadString("PROXY", "ProxyPassword", "");
    p.Mode = ini.ReadInteger("PROXY", "ProxyMode", p.Server.empty() ? 0 : 2, 0, 2);
    return p;
}

void SaveProxy(const std::string& iniPath, const TProxy& p) {
    TIniFile ini(iniPath);
    ini.Load();
    ini.WriteInteger("PROXY", "ProxyMode", p.Mode);
    ini.WriteString("PROXY", "ProxyServer", p.Server);
    ini.WriteInteger("PROXY", "ProxyPort", p.Port);
    ini.WriteString("PROXY", "ProxyUsername", p.Username);
    ini.WriteString("PROXY", "ProxyPassword", p.Password);
    ini.Save();
}

} // namespace zorb
