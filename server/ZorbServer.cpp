#include "server/ZorbServer.h"

#include "core/TextUtils.h"
#include "online/OnlineWire.h"

#include <httplib.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <vector>

namespace zorb::server {

namespace {

namespace fs = std::filesystem;

// A refused request: the error row's text names the field and the rule.
struct TRefusal {
    std::string Text;
    int Code = -2;
};

// The one application this server knows by name; others are listed with an empty name.
const std::map<std::string, std::string> KnownApps = {{"{6F0C2A52-5E1B-4D8A-9C37-52A6E0B1D406}", "Zorb_6x52"}};

std::string AppName(const std::string& appid) {
    for (const auto& [guid, name] : KnownApps)
        if (SameText(guid, appid)) return name;
    return "";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool PercentDecode(std::string_view s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+')
            out += ' ';
        else if (s[i] == '%') {
            if (i + 2 >= s.size()) return false;
            const int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else
            out += s[i];
    }
    return true;
}

// The form fields of one request, each at most once and each known to the operation.
class TForm {
public:
    TForm(const std::string& body, const std::set<std::string>& allowed) {
        size_t b = 0;
        while (b <= body.size() && !body.empty()) {
            size_t e = body.find('&', b);
            if (e == std::string::npos) e = body.size();
            const std::string_view pair(body.data() + b, e - b);
            if (!pair.empty()) {
                const size_t eq = pair.find('=');
                std::string name, value;
                if (!PercentDecode(pair.substr(0, eq), name) ||
                    !PercentDecode(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1), value))
                    throw TRefusal{"form: malformed percent encoding"};
                if (!allowed.count(name)) throw TRefusal{Clip(name) + ": unknown field"};
                if (!FFields.emplace(name, std::move(value)).second) throw TRefusal{name + ": given twice"};
            }
            b = e + 1;
        }
    }

    bool Has(const std::string& name) const { return FFields.count(name) > 0; }

    const std::string& Raw(const std::string& name) const {
        const auto it = FFields.find(name);
        if (it == FFields.end()) throw TRefusal{name + ": missing"};
        return it->second;
    }

    int Int(const std::string& name, int lo, int hi) const {
        const std::string& v = Raw(name);
        int32_t value = 0;
        if (v.size() > 11 || !TryStrToInt(v, value) || value < lo || value > hi)
            throw TRefusal{name + ": decimal integer " + std::to_string(lo) + ".." + std::to_string(hi)};
        return value;
    }

    // A text field: escaped ones are unescaped first; then valid UTF-8 without control characters (line
    // breaks only when allowed), at most maxChars characters, "<" and ">" refused where replies carry it as
    // plain text.
    std::string Text(const std::string& name, bool escaped, size_t maxChars, bool lineBreaks, bool plainInReply,
                     bool required) const {
        std::string v = Raw(name);
        if (escaped) {
            std::string u;
            if (!UnescapeRequest(v, u)) throw TRefusal{name + ": malformed escaping"};
            v = std::move(u);
        }
        CheckText(name, v, maxChars, lineBreaks, plainInReply);
        if (required && Trim(v).empty()) throw TRefusal{name + ": must not be empty"};
        return v;
    }

    static void CheckText(const std::string& name, const std::string& v, size_t maxChars, bool lineBreaks,
                          bool plainInReply) {
        if (!IsCleanText(v, lineBreaks))
            throw TRefusal{name + (lineBreaks ? ": UTF-8 text without control characters"
                                              : ": UTF-8 text without control characters or line breaks")};
        if (Utf8Length(v) > maxChars) throw TRefusal{name + ": at most " + std::to_string(maxChars) + " characters"};
        if (plainInReply && v.find_first_of("<>") != std::string::npos)
            throw TRefusal{name + ": \"<\" and \">\" are not allowed"};
    }

private:
    std::map<std::string, std::string> FFields;

    static std::string Clip(const std::string& name) {
        std::string r;
        for (char c : name.substr(0, 40))
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') r += c;
        return r.empty() ? "field" : r;
    }
};

struct TIdentity {
    std::string AppId, AppVer, Hwdid, Name, Mail, MailKey;
    int Lcid = 0;
};

const std::set<std::string> IdentityFields = {"appid", "appver", "hwdid", "cl_name", "cl_mail", "cl_lcid"};

std::set<std::string> With(std::set<std::string> fields, const std::set<std::string>& more) {
    fields.insert(more.begin(), more.end());
    return fields;
}

std::string CheckMail(const std::string& mail, bool required) {
    if (mail.empty() && !required) return "";
    const size_t at = mail.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == mail.size() || mail.find('@', at + 1) != std::string::npos ||
        mail.find(' ') != std::string::npos)
        throw TRefusal{"cl_mail: an e-mail address with one \"@\""};
    return LowerCase(mail);
}

// mailRequired: the operation stores something under the user's name.
TIdentity ReadIdentity(const TForm& f, bool mailRequired) {
    TIdentity id;
    id.AppId = f.Text("appid", false, 64, false, true, false);
    id.AppVer = f.Text("appver", false, 32, false, true, false);
    id.Hwdid = f.Text("hwdid", false, 64, false, true, mailRequired);
    id.Name = Trim(f.Text("cl_name", true, 64, false, true, false));
    id.Mail = Trim(f.Text("cl_mail", true, 254, false, true, false));
    id.MailKey = CheckMail(id.Mail, mailRequired);
    id.Lcid = f.Int("cl_lcid", 0, INT_MAX);
    return id;
}

// Identity fields a client may leave out (older clients send only the id).
TIdentity ReadOptionalIdentity(const TForm& f) {
    for (const auto& name : IdentityFields)
        if (!f.Has(name)) return {};
    return ReadIdentity(f, false);
}

bool Owns(const TIdentity& who, const std::string& mailKey, const std::string& hwdid) {
    return !who.MailKey.empty() && !who.Hwdid.empty() && who.MailKey == mailKey && who.Hwdid == hwdid;
}

// What others see of an author's e-mail: its first character and the domain.
std::string MaskedMail(const std::string& mail) {
    const size_t at = mail.find('@');
    if (mail.empty() || at == std::string::npos || at == 0) return "";
    size_t first = 1;
    while (first < at && (static_cast<unsigned char>(mail[first]) & 0xC0) == 0x80) ++first;
    return mail.substr(0, first) + "***" + mail.substr(at);
}

std::string Tag(const std::string& name, const std::string& value) {
    return "<" + name + ">" + value + "</" + name + ">";
}
std::string Tag(const std::string& name, int64_t value) {
    return Tag(name, std::to_string(value));
}

std::string Result(const std::string& rows) {
    return "<result>" + rows + "</result>";
}
std::string Row(const std::string& fields) {
    return "<row>" + fields + "</row>";
}

std::string RefusalReply(const std::string& operation, const TRefusal& r) {
    std::string fields = Tag("error", r.Text) + Tag("res_code", r.Code);
    if (operation == "sys_putdata") fields += Tag("id_systems", -1);
    if (operation == "scr_putscript") fields += Tag("id_scripts", -1);
    if (operation == "scr_chktitle") fields += Tag("ret_code", 1);
    return Result(Row(fields));
}

bool IsHttpUrl(const std::string& url) {
    const std::string lower = LowerCase(url);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

std::string TitleKey(const std::string& title) {
    return LowerCase(Trim(title));
}

// The combination text of a system: `csize` lines, each six distinct positions 1..nums; returned with CR LF.
std::string CheckCombinationText(const std::string& text, int nums, int csize) {
    static const std::string_view Separators = " *+,-./:;=\\_|~";
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) {
        lines.push_back(line);
        return lines.size() <= 100000;
    });
    if (static_cast<int>(lines.size()) != csize)
        throw TRefusal{"clist: " + std::to_string(csize) + " lines as csize says"};
    std::string out;
    out.reserve(text.size() + lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto words = SplitWords(lines[i], Separators);
        uint64_t seen = 0;
        bool good = words.size() == 6;
        for (size_t w = 0; good && w < words.size(); ++w) {
            int32_t p = 0;
            good = words[w].size() <= 3 && TryStrToInt(words[w], p) && p >= 1 && p <= nums && !(seen >> p & 1);
            seen |= 1ull << (p & 63);
        }
        if (!good)
            throw TRefusal{"clist: line " + std::to_string(i + 1) + " must hold six distinct positions 1.." +
                           std::to_string(nums)};
        if (i) out += "\r\n";
        out.append(lines[i]);
    }
    return out;
}

} // namespace

TZorbServer::TZorbServer(std::unique_ptr<TServerStore> store, TServerOptions options)
    : FStore(std::move(store)), FOptions(std::move(options)) {
    if (!FOptions.Clock) FOptions.Clock = [] { return static_cast<int64_t>(std::time(nullptr)); };
    if (!FOptions.FilesDir.empty()) {
        std::error_code ec;
        const fs::path root = fs::canonical(FOptions.FilesDir, ec);
        if (ec || !fs::is_directory(root)) throw std::runtime_error("--files: no such directory " + FOptions.FilesDir);
        FFilesRoot = root.string();
    }
}

TZorbServer::~TZorbServer() = default;

bool TZorbServer::IsOperation(const std::string& op) {
    static const std::set<std::string> Ops = {"sys_getlist",  "sys_getdata",   "sys_putdata",
                                              "scr_getlist",  "scr_getdata",   "scr_setrate",
                                              "scr_chktitle", "scr_putscript", "scr_getrates"};
    return Ops.count(op) > 0;
}

bool TZorbServer::AllowPublish(const std::string& address, int64_t now) {
    // Old stamps go first, and addresses without recent ones are forgotten, so the table stays small.
    for (auto it = FPublishes.begin(); it != FPublishes.end();) {
        auto& stamps = it->second;
        while (!stamps.empty() && stamps.front() <= now - 3600) stamps.pop_front();
        it = stamps.empty() ? FPublishes.erase(it) : std::next(it);
    }
    auto& stamps = FPublishes[address];
    if (static_cast<int>(stamps.size()) >= FOptions.PublishLimit) return false;
    stamps.push_back(now);
    return true;
}

std::string TZorbServer::Handle(const std::string& op, const std::string& body, const std::string& address) {
    if (!IsOperation(op)) return "";
    std::lock_guard lock(FLock);
    const int64_t nowSeconds = FOptions.Clock();
    const std::string now = FormatUtcSeconds(nowSeconds);
    try {
        if (op == "sys_getlist") {
            TForm f(body, With({"comblen", "maxnums"}, IdentityFields));
            f.Int("comblen", 6, 6);
            const int maxNums = f.Int("maxnums", 7, 52);
            const TIdentity who = ReadIdentity(f, false);
            std::string rows;
            for (const auto& s : FStore->ListSystems()) {
                if (s.Nums > maxNums) continue;
                const std::string mail = Owns(who, s.MailKey, s.Hwdid) ? s.Mail : MaskedMail(s.Mail);
                rows +=
                    Row(Tag("id", s.Id) + Tag("nums", s.Nums) + Tag("olap", s.Olap) + Tag("csize", s.CSize) +
                        Tag("title", Base64Encode(s.Title)) + Tag("descr", Base64Encode(s.Descr)) +
                        Tag("author", s.Author) + Tag("cl_mail", mail) + Tag("url", s.Url) + Tag("created", s.Created) +
                        Tag("downloads", s.Downloads) + Tag("last_download", s.LastDownload));
            }
            return Result(rows);
        }
        if (op == "sys_getdata") {
            TForm f(body, {"sys_id"});
            const int id = f.Int("sys_id", 1, INT_MAX);
            const auto s = FStore->GetSystem(id);
            if (!s) throw TRefusal{"sys_id: no such system", -1};
            FStore->CountSystemDownload(id, now);
            return Result(Row(Tag("id", s->Id) + Tag("clist", Base64Encode(s->Clist))));
        }
        if (op == "sys_putdata") {
            TForm f(body,
                    With({"del_mode", "sys_id", "nums", "clen", "olap", "title", "descr", "csize", "clist", "url"},
                         IdentityFields));
            if (!AllowPublish(address, nowSeconds)) throw TRefusal{"address: too many publications this hour", -3};
            const int del = f.Int("del_mode", 0, 1);
            const int id = f.Int("sys_id", 0, INT_MAX);
            const TIdentity who = ReadIdentity(f, true);
            std::optional<TSystemRow> old;
            if (id > 0) {
                old = FStore->GetSystem(id);
                if (!old) throw TRefusal{"sys_id: no such system", -1};
                if (!Owns(who, old->MailKey, old->Hwdid)) throw TRefusal{"cl_mail: only the author may change it"};
            }
            if (del) {
                if (!old) throw TRefusal{"sys_id: the system to delete"};
                FStore->DeleteSystem(id);
                return Result(Row(Tag("id_systems", 0)));
            }
            TSystemRow r;
            r.Nums = f.Int("nums", 7, 52);
            f.Int("clen", 6, 6);
            r.Olap = f.Int("olap", 0, 5);
            r.Title = Trim(f.Text("title", true, 100, false, false, true));
            r.Descr = f.Text("descr", true, 4000, true, false, false);
            r.CSize = f.Int("csize", 1, 100000);
            std::string escaped, clist;
            if (!Base64Decode(f.Raw("clist"), escaped)) throw TRefusal{"clist: Base64"};
            if (!UnescapeRequest(escaped, clist)) throw TRefusal{"clist: malformed escaping"};
            TForm::CheckText("clist", clist, 8u << 20, true, false);
            r.Clist = CheckCombinationText(clist, r.Nums, r.CSize);
            r.Url = Trim(f.Text("url", false, 2000, false, true, false));
            if (!r.Url.empty() && (!IsHttpUrl(r.Url) || r.Url.find_first_of(" \"'") != std::string::npos))
                throw TRefusal{"url: an http or https address"};
            r.Author = who.Name;
            if (r.Author.empty()) throw TRefusal{"cl_name: must not be empty"};
            r.Mail = who.Mail;
            r.MailKey = who.MailKey;
            r.Hwdid = who.Hwdid;
            r.Created = now;
            if (old) {
                r.Id = id;
                FStore->UpdateSystem(r);
            } else
                r.Id = FStore->InsertSystem(r);
            return Result(Row(Tag("id_systems", r.Id)));
        }
        if (op == "scr_getlist") {
            TForm f(body, With({"fltid"}, IdentityFields));
            const int filter = f.Int("fltid", -1, 6);
            const TIdentity who = ReadIdentity(f, false);
            const std::string dayAgo = FormatUtcSeconds(nowSeconds - 86400);
            std::string rows;
            for (const auto& s : FStore->ListScripts(who.MailKey)) {
                const bool mine = Owns(who, s.MailKey, s.Hwdid);
                if (!s.Public && !mine) continue;
                const int you = s.MyRating;
                bool shown = false;
                switch (filter) {
                case -1: shown = you == -1; break;
                case 0: shown = true; break;
                case 1: shown = you != -1; break;
                case 2: shown = you != -1 && mine; break;
                case 3: shown = you != -1 && s.Public; break;
                case 4: shown = you > 0; break;
                case 5: shown = you == 0; break;
                case 6: shown = you != -1 && s.Created > dayAgo; break; // UTC texts sort as times
                }
                if (!shown) continue;
                char avg[32];
                std::snprintf(avg, sizeof avg, "%.3f", s.RatingAvg);
                rows += Row(Tag("id", s.Id) + Tag("key_cl_name", s.Author) +
                            Tag("key_cl_mail", mine ? s.Mail : MaskedMail(s.Mail)) + Tag("key_cl_lcid", s.Lcid) +
                            Tag("app_guid", s.AppGuid) + Tag("app_name", s.AppName) + Tag("app_ver", s.AppVer) +
                            Tag("uniapps", s.Universal) + Tag("publics", s.Public) + Tag("created", s.Created) +
                            Tag("rating_avg", avg) + Tag("rating_cnt", s.RatingCount) + Tag("rating_you", you) +
                            Tag("downloads", s.Downloads) + Tag("last_download", s.LastDownload) +
                            Tag("title", Base64Encode(s.Title)) + Tag("descr", Base64Encode(s.Descr)));
            }
            return Result(rows);
        }
        if (op == "scr_getdata" || op == "scr_getrates") {
            TForm f(body, With({"scr_id"}, IdentityFields));
            const int id = f.Int("scr_id", 1, INT_MAX);
            const TIdentity who = ReadOptionalIdentity(f);
            const auto s = FStore->GetScript(id);
            if (!s || (!s->Public && !Owns(who, s->MailKey, s->Hwdid))) throw TRefusal{"scr_id: no such scenario", -1};
            if (op == "scr_getrates") {
                std::string rows;
                for (const auto& r : FStore->ListRates(id))
                    rows += Row(Tag("key_cl_name", r.Name) + Tag("rate", r.Rate) + Tag("created", r.Created) +
                                Tag("app_name", r.AppName) + Tag("app_ver", r.AppVer) + Tag("notes", r.Notes));
                return Result(rows);
            }
            FStore->CountScriptDownload(id, now);
            return Result(Row(Tag("script", Base64Encode(s->Script)) + Tag("id", id)));
        }
        if (op == "scr_setrate") {
            TForm f(body, With({"scr_id", "rate_value", "rate_notes"}, IdentityFields));
            const int id = f.Int("scr_id", 1, INT_MAX);
            const int rate = f.Int("rate_value", -1, 5);
            TRateRow r;
            r.Notes = Trim(f.Text("rate_notes", true, 1000, false, true, false));
            const TIdentity who = ReadIdentity(f, true);
            const auto s = FStore->GetScript(id);
            if (!s || (!s->Public && !Owns(who, s->MailKey, s->Hwdid))) throw TRefusal{"scr_id: no such scenario", -1};
            r.Name = who.Name;
            r.AppName = AppName(who.AppId);
            r.AppVer = who.AppVer;
            r.Created = now;
            r.Rate = rate;
            FStore->SetRate(id, who.MailKey, rate, r);
            return Result(Row(Tag("res_code", 0)));
        }
        if (op == "scr_chktitle") {
            TForm f(body, {"scr_id", "scr_title"});
            const int id = f.Int("scr_id", -1, INT_MAX);
            const std::string title = f.Text("scr_title", true, 64, false, false, true);
            const int holder = FStore->FindScriptTitle(TitleKey(title));
            return Result(Row(Tag("ret_code", holder == 0 || (id > 0 && holder == id) ? 0 : 1)));
        }
        if (op == "scr_putscript") {
            TForm f(body,
                    With({"del_mode", "scr_id", "scr_uniapps", "scr_publics", "scr_title", "scr_descr", "scr_script"},
                         IdentityFields));
            if (!AllowPublish(address, nowSeconds)) throw TRefusal{"address: too many publications this hour", -3};
            const int del = f.Int("del_mode", 0, 1);
            const int id = f.Int("scr_id", -1, INT_MAX);
            const TIdentity who = ReadIdentity(f, true);
            std::optional<TScriptRow> old;
            if (id > 0) {
                old = FStore->GetScript(id);
                if (!old) throw TRefusal{"scr_id: no such scenario", -1};
                if (!Owns(who, old->MailKey, old->Hwdid)) throw TRefusal{"cl_mail: only the author may change it"};
            }
            if (del) {
                if (!old) throw TRefusal{"scr_id: the scenario to delete"};
                FStore->DeleteScript(id);
                return Result(Row(Tag("id_scripts", 0)));
            }
            TScriptRow r;
            r.Universal = f.Int("scr_uniapps", 0, 1);
            r.Public = f.Int("scr_publics", 0, 1);
            r.Title = Trim(f.Text("scr_title", true, 64, false, false, true));
            r.TitleKey = TitleKey(r.Title);
            r.Descr = f.Text("scr_descr", true, 4000, true, false, false);
            r.Script = f.Text("scr_script", true, 1u << 20, true, false, true);
            if (r.Script.size() > (1u << 20)) throw TRefusal{"scr_script: at most 1 MiB"};
            const int holder = FStore->FindScriptTitle(r.TitleKey);
            if (holder != 0 && holder != id) throw TRefusal{"scr_title: a scenario with this title exists"};
            r.Author = who.Name;
            if (r.Author.empty()) throw TRefusal{"cl_name: must not be empty"};
            r.Mail = who.Mail;
            r.MailKey = who.MailKey;
            r.Hwdid = who.Hwdid;
            r.AppGuid = who.AppId;
            r.AppName = AppName(who.AppId);
            r.AppVer = who.AppVer;
            r.Lcid = who.Lcid;
            r.Created = now;
            if (old) {
                r.Id = id;
                FStore->UpdateScript(r);
            } else
                r.Id = FStore->InsertScript(r);
            return Result(Row(Tag("id_scripts", r.Id)));
        }
    } catch (const TRefusal& r) {
        return RefusalReply(op, r);
    }
    return "";
}

void TZorbServer::ServeFile(const std::string& rawTarget, bool& found, std::string& path) const {
    found = false;
    if (FFilesRoot.empty()) return;
    // The raw target, before any decoding: file names here are plain, so an escape of any kind is refused
    // rather than decoded (an encoded dot or slash never reaches the file system).
    std::string target = rawTarget.substr(0, rawTarget.find('?'));
    const std::string prefix = "/files/";
    if (target.rfind(prefix, 0) != 0) return;
    const std::string rel = target.substr(prefix.size());
    if (rel.empty() || rel.size() > 1024) return;
    for (const auto& part : SplitKeepEmpty(rel, '/')) {
        if (part.empty() || part[0] == '.') return; // "//", "..", hidden files
        for (char c : part)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' && c != '+') return;
    }
    std::error_code ec;
    const fs::path real = fs::canonical(fs::path(FFilesRoot) / rel, ec);
    if (ec) return;
    const std::string r = real.string();
    if (r.size() <= FFilesRoot.size() || r.compare(0, FFilesRoot.size(), FFilesRoot) != 0 ||
        r[FFilesRoot.size()] != '/')
        return;
    if (!fs::is_regular_file(real, ec) || ec) return;
    found = true;
    path = r;
}

void TZorbServer::Install(httplib::Server& server) {
    server.set_payload_max_length(MaxBodyBytes);
    server.set_read_timeout(20, 0);
    server.set_write_timeout(20, 0);
    server.set_keep_alive_max_count(20);

    auto reply = [](httplib::Response& res, const std::string& text) {
        res.status = 200;
        res.set_content(text, "text/plain; charset=utf-8");
    };
    auto status = [](httplib::Response& res, int code) {
        res.status = code;
        res.set_content(code == 404   ? "Not found"
                        : code == 405 ? "Method not allowed"
                        : code == 413 ? "Payload too large"
                                      : "Error",
                        "text/plain");
    };

    // The body is read here rather than by the library, whose form parser refuses bodies of a few kilobytes
    // (a system of a few hundred lines); the body limit above still gives 413.
    server.Post(R"(/scripts/([A-Za-z_]+)\.php)",
                [this, reply, status](const httplib::Request& req, httplib::Response& res,
                                      const httplib::ContentReader& content) {
                    const std::string op = req.matches[1];
                    if (!IsOperation(op) || req.target.find('?') != std::string::npos) return status(res, 404);
                    if (req.is_multipart_form_data()) return status(res, 415);
                    std::string body;
                    const bool complete = content([&](const char* data, size_t length) {
                        body.append(data, length);
                        return body.size() <= MaxBodyBytes;
                    });
                    if (!complete || body.size() > MaxBodyBytes) return status(res, 413);
                    try {
                        reply(res, Handle(op, body, req.remote_addr));
                    } catch (const std::exception&) {
                        // A store failure: nothing half-done is reported as success.
                        status(res, 500);
                    }
                });
    auto notAllowed = [status](int knownCode) {
        return [status, knownCode](const httplib::Request& req, httplib::Response& res) {
            const std::string path = req.path;
            const bool scripts = path.rfind("/scripts/", 0) == 0;
            if (scripts) {
                std::string op = path.substr(9);
                if (op.size() > 4 && op.compare(op.size() - 4, 4, ".php") == 0) op.resize(op.size() - 4);
                return status(res, IsOperation(op) ? 405 : 404);
            }
            status(res, knownCode);
        };
    };
    for (const char* pattern : {R"(/scripts/.*)"}) {
        server.Get(pattern, notAllowed(404));
        server.Put(pattern, notAllowed(404));
        server.Delete(pattern, notAllowed(404));
        server.Patch(pattern, notAllowed(404));
        server.Options(pattern, notAllowed(404));
    }
    server.Post(R"(/files/.*)", notAllowed(405));
    server.Put(R"(/files/.*)", notAllowed(405));
    server.Delete(R"(/files/.*)", notAllowed(405));
    server.Patch(R"(/files/.*)", notAllowed(405));
    server.Options(R"(/files/.*)", notAllowed(405));
    // GET serves HEAD as well.
    server.Get(R"(/files/.*)", [this, status](const httplib::Request& req, httplib::Response& res) {
        bool found = false;
        std::string path;
        ServeFile(req.target, found, path);
        if (!found) return status(res, 404);
        std::error_code ec;
        const auto size = fs::file_size(path, ec);
        if (ec) return status(res, 404);
        const bool text = path.size() > 4 && (path.compare(path.size() - 4, 4, ".cfg") == 0 ||
                                              path.compare(path.size() - 4, 4, ".txt") == 0);
        auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
        if (!*file) return status(res, 404);
        res.status = 200;
        res.set_content_provider(static_cast<size_t>(size), text ? "text/plain" : "application/octet-stream",
                                 [file](size_t offset, size_t length, httplib::DataSink& sink) {
                                     char buf[65536];
                                     file->seekg(static_cast<std::streamoff>(offset));
                                     const auto n = std::min(length, sizeof buf);
                                     file->read(buf, static_cast<std::streamsize>(n));
                                     const auto got = file->gcount();
                                     if (got <= 0) return false;
                                     return sink.write(buf, static_cast<size_t>(got));
                                 });
    });
}

} // namespace zorb::server
