#include "server/ZorbServer.h"

#include "core/TextUtils.h"
#include "online/OnlineWire.h"
#include "server/ServerLog.h"

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>

namespace zorb::server {

namespace {

namespace fs = std::filesystem;

// A refused request: the error row's text names the field and the rule.
struct TRefusal {
    std::string Text;
    int Code = -2;
};

// --- Reading a form ---------------------------------------------------------------------------------------------

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

// --- Who asks ---------------------------------------------------------------------------------------------------

// The one application this server knows by name; others are listed with an empty name.
const std::map<std::string, std::string> KnownApps = {{"{6F0C2A52-5E1B-4D8A-9C37-52A6E0B1D406}", "Zorb_6x52"}};

std::string AppName(const std::string& appid) {
    for (const auto& [guid, name] : KnownApps)
        if (SameText(guid, appid)) return name;
    return "";
}

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

TRater RaterOf(const TIdentity& who) {
    return {who.MailKey, who.Hwdid};
}

// What others see of an author's e-mail: its first character and the domain.
std::string MaskedMail(const std::string& mail) {
    const size_t at = mail.find('@');
    if (mail.empty() || at == std::string::npos || at == 0) return "";
    size_t first = 1;
    while (first < at && (static_cast<unsigned char>(mail[first]) & 0xC0) == 0x80) ++first;
    return mail.substr(0, first) + "***" + mail.substr(at);
}

// --- Replies ----------------------------------------------------------------------------------------------------

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

// --- One request ------------------------------------------------------------------------------------------------

struct TCall {
    TServerStore& Store;
    const TServerOptions& Options;
    const std::string& Body;
    const std::string& Address;
    int64_t Now;
    std::string NowText;
};

// An hourly limit on accepted writes of one kind, counted per installation and per client address.
struct TLimit {
    const char* Kind;
    const char* What;
    int TServerOptions::*PerInstallation;
    int TServerOptions::*PerAddress;
};
const TLimit Publications{"publish", "publications", &TServerOptions::PublishLimit,
                          &TServerOptions::PublishLimitAddress};
const TLimit Ratings{"rate", "ratings", &TServerOptions::RateLimit, &TServerOptions::RateLimitAddress};

// Called once a request has passed every check, just before it writes: a request refused later rolls back with
// its transaction, so only accepted writes are ever counted.
void TakeQuota(TCall& c, const TLimit& limit, const TIdentity& who) {
    c.Store.LockEvents(limit.Kind);
    const int64_t since = c.Now - 3600;
    const std::string byInstallation = "hwdid:" + who.Hwdid, byAddress = "address:" + c.Address;
    if (c.Store.CountEvents(limit.Kind, byInstallation, since) >= c.Options.*limit.PerInstallation)
        throw TRefusal{std::string("hwdid: too many ") + limit.What + " from this installation this hour", -3};
    if (c.Store.CountEvents(limit.Kind, byAddress, since) >= c.Options.*limit.PerAddress)
        throw TRefusal{std::string("address: too many ") + limit.What + " from this address this hour", -3};
    c.Store.AddEvent(limit.Kind, byInstallation, c.Now, since);
    c.Store.AddEvent(limit.Kind, byAddress, c.Now, since);
}

// --- Systems ----------------------------------------------------------------------------------------------------

std::string SysGetList(TCall& c) {
    TForm f(c.Body, With({"comblen", "maxnums"}, IdentityFields));
    f.Int("comblen", 6, 6);
    const int maxNums = f.Int("maxnums", 7, 52);
    const TIdentity who = ReadIdentity(f, false);
    std::string rows;
    for (const auto& s : c.Store.ListSystems()) {
        if (s.Nums > maxNums) continue;
        const std::string mail = Owns(who, s.MailKey, s.Hwdid) ? s.Mail : MaskedMail(s.Mail);
        rows += Row(Tag("id", s.Id) + Tag("nums", s.Nums) + Tag("olap", s.Olap) + Tag("csize", s.CSize) +
                    Tag("title", Base64Encode(s.Title)) + Tag("descr", Base64Encode(s.Descr)) +
                    Tag("author", s.Author) + Tag("cl_mail", mail) + Tag("url", s.Url) + Tag("created", s.Created) +
                    Tag("downloads", s.Downloads) + Tag("last_download", s.LastDownload));
    }
    return Result(rows);
}

// dl_mode=0 asks for the lines only to show them; a download (dl_mode=1, or no dl_mode from older clients)
// counts.
std::string SysGetData(TCall& c) {
    TForm f(c.Body, {"sys_id", "dl_mode"});
    const int id = f.Int("sys_id", 1, INT_MAX);
    const bool download = !f.Has("dl_mode") || f.Int("dl_mode", 0, 1) == 1;
    const auto s = c.Store.GetSystem(id);
    if (!s) throw TRefusal{"sys_id: no such system", -1};
    if (download) c.Store.CountSystemDownload(id, c.NowText);
    return Result(Row(Tag("id", s->Id) + Tag("clist", Base64Encode(s->Clist))));
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

bool IsHttpUrl(const std::string& url) {
    const std::string lower = LowerCase(url);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

TSystemRow ReadSystem(const TForm& f, const TIdentity& who, const std::string& now) {
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
    return r;
}

std::string SysPutData(TCall& c) {
    TForm f(c.Body, With({"del_mode", "sys_id", "nums", "clen", "olap", "title", "descr", "csize", "clist", "url"},
                         IdentityFields));
    const int del = f.Int("del_mode", 0, 1);
    const int id = f.Int("sys_id", 0, INT_MAX);
    const TIdentity who = ReadIdentity(f, true);
    std::optional<TSystemRow> old;
    if (id > 0) {
        old = c.Store.GetSystem(id);
        if (!old) throw TRefusal{"sys_id: no such system", -1};
        if (!Owns(who, old->MailKey, old->Hwdid)) throw TRefusal{"cl_mail: only the author may change it"};
    }
    if (del) {
        if (!old) throw TRefusal{"sys_id: the system to delete"};
        TakeQuota(c, Publications, who);
        c.Store.DeleteSystem(id);
        return Result(Row(Tag("id_systems", 0)));
    }
    TSystemRow r = ReadSystem(f, who, c.NowText);
    TakeQuota(c, Publications, who);
    if (old) {
        r.Id = id;
        c.Store.UpdateSystem(r);
    } else
        r.Id = c.Store.InsertSystem(r);
    return Result(Row(Tag("id_systems", r.Id)));
}

// --- Scenarios --------------------------------------------------------------------------------------------------

std::string TitleKey(const std::string& title) {
    return LowerCase(Trim(title));
}

// Which catalogue rows a filter shows to the asking user (a hidden row only under "hidden" and "all").
bool FilterShows(int filter, const TScriptRow& s, bool mine, const std::string& dayAgo) {
    const int you = s.MyRating;
    switch (filter) {
    case -1: return you == -1;
    case 0: return true;
    case 1: return you != -1;
    case 2: return you != -1 && mine;
    case 3: return you != -1 && s.Public;
    case 4: return you > 0;
    case 5: return you == 0;
    case 6: return you != -1 && s.Created > dayAgo; // UTC texts sort as times
    }
    return false;
}

std::string ScrGetList(TCall& c) {
    TForm f(c.Body, With({"fltid"}, IdentityFields));
    const int filter = f.Int("fltid", -1, 6);
    const TIdentity who = ReadIdentity(f, false);
    const std::string dayAgo = FormatUtcSeconds(c.Now - 86400);
    std::string rows;
    for (const auto& s : c.Store.ListScripts(RaterOf(who))) {
        const bool mine = Owns(who, s.MailKey, s.Hwdid);
        if ((!s.Public && !mine) || !FilterShows(filter, s, mine, dayAgo)) continue;
        char avg[32];
        std::snprintf(avg, sizeof avg, "%.3f", s.RatingAvg);
        rows += Row(Tag("id", s.Id) + Tag("key_cl_name", s.Author) +
                    Tag("key_cl_mail", mine ? s.Mail : MaskedMail(s.Mail)) + Tag("key_cl_lcid", s.Lcid) +
                    Tag("app_guid", s.AppGuid) + Tag("app_name", s.AppName) + Tag("app_ver", s.AppVer) +
                    Tag("uniapps", s.Universal) + Tag("publics", s.Public) + Tag("created", s.Created) +
                    Tag("rating_avg", avg) + Tag("rating_cnt", s.RatingCount) + Tag("rating_you", s.MyRating) +
                    Tag("downloads", s.Downloads) + Tag("last_download", s.LastDownload) +
                    Tag("title", Base64Encode(s.Title)) + Tag("descr", Base64Encode(s.Descr)));
    }
    return Result(rows);
}

// A scenario the asking user may see: public, or private and theirs.
TScriptRow VisibleScript(TCall& c, int id, const TIdentity& who) {
    auto s = c.Store.GetScript(id);
    if (!s || (!s->Public && !Owns(who, s->MailKey, s->Hwdid))) throw TRefusal{"scr_id: no such scenario", -1};
    return std::move(*s);
}

std::string ScrGetData(TCall& c) {
    TForm f(c.Body, With({"scr_id"}, IdentityFields));
    const int id = f.Int("scr_id", 1, INT_MAX);
    const TScriptRow s = VisibleScript(c, id, ReadOptionalIdentity(f));
    c.Store.CountScriptDownload(id, c.NowText);
    return Result(Row(Tag("script", Base64Encode(s.Script)) + Tag("id", id)));
}

std::string ScrGetRates(TCall& c) {
    TForm f(c.Body, With({"scr_id"}, IdentityFields));
    const int id = f.Int("scr_id", 1, INT_MAX);
    VisibleScript(c, id, ReadOptionalIdentity(f));
    std::string rows;
    for (const auto& r : c.Store.ListRates(id))
        rows += Row(Tag("key_cl_name", r.Name) + Tag("rate", r.Rate) + Tag("created", r.Created) +
                    Tag("app_name", r.AppName) + Tag("app_ver", r.AppVer) + Tag("notes", r.Notes));
    return Result(rows);
}

std::string ScrSetRate(TCall& c) {
    TForm f(c.Body, With({"scr_id", "rate_value", "rate_notes"}, IdentityFields));
    const int id = f.Int("scr_id", 1, INT_MAX);
    TRateRow r;
    r.Rate = f.Int("rate_value", -1, 5);
    r.Notes = Trim(f.Text("rate_notes", true, 1000, false, true, false));
    const TIdentity who = ReadIdentity(f, true);
    VisibleScript(c, id, who);
    r.Name = who.Name;
    r.AppName = AppName(who.AppId);
    r.AppVer = who.AppVer;
    r.Created = c.NowText;
    // Users sharing a copy of the program may each rate, but one copy cannot stand for a crowd.
    const auto mails = c.Store.RatingMails(id, who.Hwdid);
    if (r.Rate > 0 && mails.size() >= MaxRatersPerInstallation &&
        std::find(mails.begin(), mails.end(), who.MailKey) == mails.end())
        throw TRefusal{"hwdid: at most " + std::to_string(MaxRatersPerInstallation) +
                           " ratings of one scenario from one installation",
                       -3};
    TakeQuota(c, Ratings, who);
    c.Store.SetRate(id, RaterOf(who), r.Rate, r);
    return Result(Row(Tag("res_code", 0)));
}

std::string ScrChkTitle(TCall& c) {
    TForm f(c.Body, {"scr_id", "scr_title"});
    const int id = f.Int("scr_id", -1, INT_MAX);
    const std::string title = f.Text("scr_title", true, 64, false, false, true);
    const int holder = c.Store.FindScriptTitle(TitleKey(title));
    return Result(Row(Tag("ret_code", holder == 0 || (id > 0 && holder == id) ? 0 : 1)));
}

TScriptRow ReadScript(TCall& c, const TForm& f, const TIdentity& who, int id) {
    TScriptRow r;
    r.Universal = f.Int("scr_uniapps", 0, 1);
    r.Public = f.Int("scr_publics", 0, 1);
    r.Title = Trim(f.Text("scr_title", true, 64, false, false, true));
    r.TitleKey = TitleKey(r.Title);
    r.Descr = f.Text("scr_descr", true, 4000, true, false, false);
    r.Script = f.Text("scr_script", true, 1u << 20, true, false, true);
    if (r.Script.size() > (1u << 20)) throw TRefusal{"scr_script: at most 1 MiB"};
    const int holder = c.Store.FindScriptTitle(r.TitleKey);
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
    r.Created = c.NowText;
    return r;
}

std::string ScrPutScript(TCall& c) {
    TForm f(c.Body, With({"del_mode", "scr_id", "scr_uniapps", "scr_publics", "scr_title", "scr_descr", "scr_script"},
                         IdentityFields));
    const int del = f.Int("del_mode", 0, 1);
    const int id = f.Int("scr_id", -1, INT_MAX);
    const TIdentity who = ReadIdentity(f, true);
    std::optional<TScriptRow> old;
    if (id > 0) {
        old = c.Store.GetScript(id);
        if (!old) throw TRefusal{"scr_id: no such scenario", -1};
        if (!Owns(who, old->MailKey, old->Hwdid)) throw TRefusal{"cl_mail: only the author may change it"};
    }
    if (del) {
        if (!old) throw TRefusal{"scr_id: the scenario to delete"};
        TakeQuota(c, Publications, who);
        c.Store.DeleteScript(id);
        return Result(Row(Tag("id_scripts", 0)));
    }
    TScriptRow r = ReadScript(c, f, who, id);
    TakeQuota(c, Publications, who);
    if (old) {
        r.Id = id;
        c.Store.UpdateScript(r);
    } else
        r.Id = c.Store.InsertScript(r);
    return Result(Row(Tag("id_scripts", r.Id)));
}

// --- The table of operations ------------------------------------------------------------------------------------

struct TOperation {
    bool Writes; // takes the write lock at once, so two writers never both read and then both write
    std::string (*Run)(TCall&);
    const char* RefusalField; // the result field a refusal carries besides the error, with its value
    int RefusalValue;
};

const std::map<std::string, TOperation, std::less<>>& Operations() {
    static const std::map<std::string, TOperation, std::less<>> table = {
        {"sys_getlist", {false, SysGetList, nullptr, 0}},
        {"sys_getdata", {true, SysGetData, nullptr, 0}},
        {"sys_putdata", {true, SysPutData, "id_systems", -1}},
        {"scr_getlist", {false, ScrGetList, nullptr, 0}},
        {"scr_getdata", {true, ScrGetData, nullptr, 0}},
        {"scr_getrates", {false, ScrGetRates, nullptr, 0}},
        {"scr_setrate", {true, ScrSetRate, nullptr, 0}},
        {"scr_chktitle", {false, ScrChkTitle, "ret_code", 1}},
        {"scr_putscript", {true, ScrPutScript, "id_scripts", -1}},
    };
    return table;
}

std::string RefusalReply(const TOperation& op, const TRefusal& r) {
    std::string fields = Tag("error", r.Text) + Tag("res_code", r.Code);
    if (op.RefusalField) fields += Tag(op.RefusalField, op.RefusalValue);
    return Result(Row(fields));
}

// --- Files ------------------------------------------------------------------------------------------------------

// The library answers a Range header on any reply, once per range. The request object it hands to handlers as
// const is its own non-const one, so clearing the ranges here makes it send the whole reply once.
void IgnoreRanges(const httplib::Request& req) {
    const_cast<httplib::Request&>(req).ranges.clear();
}

enum class TRangeVerdict { Whole, Partial, Unsatisfiable };

// At most MaxRanges ranges that do not overlap are served as asked; more or overlapping ones get the whole file
// once; a range past the end gets 416.
TRangeVerdict JudgeRanges(const httplib::Ranges& ranges, size_t size) {
    if (ranges.empty()) return TRangeVerdict::Whole;
    std::vector<std::pair<size_t, size_t>> spans; // first and last byte
    for (const auto& [first, last] : ranges) {
        if (size == 0) return TRangeVerdict::Unsatisfiable;
        if (first < 0) {
            if (last <= 0) return TRangeVerdict::Unsatisfiable;
            spans.emplace_back(static_cast<size_t>(last) >= size ? 0 : size - static_cast<size_t>(last), size - 1);
            continue;
        }
        if (static_cast<size_t>(first) >= size) return TRangeVerdict::Unsatisfiable;
        const size_t end = last < 0 || static_cast<size_t>(last) >= size ? size - 1 : static_cast<size_t>(last);
        if (end < static_cast<size_t>(first)) return TRangeVerdict::Unsatisfiable;
        spans.emplace_back(static_cast<size_t>(first), end);
    }
    if (spans.size() > MaxRanges) return TRangeVerdict::Whole;
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first <= spans[i - 1].second) return TRangeVerdict::Whole;
    return TRangeVerdict::Partial;
}

} // namespace

std::string CanonicalAddress(const std::string& text) {
    char out[INET6_ADDRSTRLEN] = "";
    in6_addr v6{};
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) return inet_ntop(AF_INET, &v4, out, sizeof out) ? out : "";
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        if (IN6_IS_ADDR_V4MAPPED(&v6)) return inet_ntop(AF_INET, &v6.s6_addr[12], out, sizeof out) ? out : "";
        return inet_ntop(AF_INET6, &v6, out, sizeof out) ? out : "";
    }
    return "";
}

TZorbServer::TZorbServer(std::unique_ptr<TServerStore> store, TServerOptions options)
    : FStore(std::move(store)), FOptions(std::move(options)) {
    if (!FOptions.Clock) FOptions.Clock = [] { return static_cast<int64_t>(std::time(nullptr)); };
    for (const auto& proxy : FOptions.TrustedProxies) {
        const std::string address = CanonicalAddress(Trim(proxy));
        if (address.empty()) throw std::runtime_error("--trusted-proxy: not an IP address: " + proxy);
        FProxies.insert(address);
    }
    if (!FOptions.FilesDir.empty()) {
        std::error_code ec;
        const fs::path root = fs::canonical(FOptions.FilesDir, ec);
        if (ec || !fs::is_directory(root)) throw std::runtime_error("--files: no such directory " + FOptions.FilesDir);
        FFilesRoot = root.string();
    }
}

TZorbServer::~TZorbServer() = default;

bool TZorbServer::IsOperation(const std::string& op) {
    return Operations().count(op) > 0;
}

std::string TZorbServer::Handle(const std::string& op, const std::string& body, const std::string& address) {
    const auto it = Operations().find(op);
    if (it == Operations().end()) return "";
    const TOperation& operation = it->second;
    std::lock_guard lock(FLock);
    const int64_t now = FOptions.Clock();
    std::string reply;
    try {
        FStore->Transaction(operation.Writes, [&] {
            TCall call{*FStore, FOptions, body, address, now, FormatUtcSeconds(now)};
            reply = operation.Run(call);
        });
    } catch (const TRefusal& r) {
        return RefusalReply(operation, r);
    }
    return reply;
}

std::string TZorbServer::ClientAddress(const httplib::Request& req) const {
    const std::string peer = CanonicalAddress(req.remote_addr);
    if (!FProxies.count(peer)) return peer.empty() ? req.remote_addr : peer;
    // Each proxy appends the address it was reached from; walking back from the end, the first one that is not
    // our own proxy is the client. A malformed entry leaves the request counted against the proxy.
    std::vector<std::string> hops;
    const size_t headers = req.get_header_value_count("X-Forwarded-For");
    for (size_t i = 0; i < headers; ++i)
        for (const auto& hop : SplitKeepEmpty(req.get_header_value("X-Forwarded-For", i), ',')) hops.push_back(hop);
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        const std::string address = CanonicalAddress(Trim(*hop));
        if (address.empty()) return peer;
        if (!FProxies.count(address)) return address;
    }
    // Every hop is a proxy of ours: the request began at the first of them.
    return hops.empty() ? peer : CanonicalAddress(Trim(hops.front()));
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

    auto reply = [](const httplib::Request& req, httplib::Response& res, const std::string& text) {
        IgnoreRanges(req);
        res.status = 200;
        res.set_content(text, "text/plain; charset=utf-8");
    };
    auto status = [](const httplib::Request& req, httplib::Response& res, int code) {
        IgnoreRanges(req);
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
                    if (!IsOperation(op) || req.target.find('?') != std::string::npos) return status(req, res, 404);
                    if (req.is_multipart_form_data()) return status(req, res, 415);
                    std::string body;
                    const bool complete = content([&](const char* data, size_t length) {
                        body.append(data, length);
                        return body.size() <= MaxBodyBytes;
                    });
                    if (!complete || body.size() > MaxBodyBytes) return status(req, res, 413);
                    try {
                        reply(req, res, Handle(op, body, ClientAddress(req)));
                    } catch (const std::exception& e) {
                        // Nothing half-done is reported as success; the log says what the client cannot.
                        Log(TLogLevel::Error, "store failure in " + op + ": " + e.what());
                        status(req, res, 500);
                    }
                });
    auto notAllowed = [status](int knownCode) {
        return [status, knownCode](const httplib::Request& req, httplib::Response& res) {
            const std::string path = req.path;
            const bool scripts = path.rfind("/scripts/", 0) == 0;
            if (scripts) {
                std::string op = path.substr(9);
                if (op.size() > 4 && op.compare(op.size() - 4, 4, ".php") == 0) op.resize(op.size() - 4);
                return status(req, res, IsOperation(op) ? 405 : 404);
            }
            status(req, res, knownCode);
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
        if (!found) return status(req, res, 404);
        std::error_code ec;
        const auto size = fs::file_size(path, ec);
        if (ec) return status(req, res, 404);
        switch (JudgeRanges(req.ranges, static_cast<size_t>(size))) {
        case TRangeVerdict::Unsatisfiable:
            IgnoreRanges(req);
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            return;
        case TRangeVerdict::Whole:
            IgnoreRanges(req);
            res.status = 200;
            break;
        case TRangeVerdict::Partial: res.status = 206; break;
        }
        const bool text = path.size() > 4 && (path.compare(path.size() - 4, 4, ".cfg") == 0 ||
                                              path.compare(path.size() - 4, 4, ".txt") == 0);
        auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
        if (!*file) return status(req, res, 404);
        res.set_header("Accept-Ranges", "bytes");
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
