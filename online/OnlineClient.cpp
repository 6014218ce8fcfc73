#include "online/OnlineClient.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/Reply.h"
#include "online/OnlineWire.h"

#include <climits>

namespace zorb {

namespace {

size_t FindNoCase(const std::string& text, std::string_view what, size_t from) {
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && lower(text[i + k]) == what[k]) ++k;
        if (k == what.size()) return i;
    }
    return std::string::npos;
}

std::string Post(const TOnlineIdentity& who, const std::string& script, const TFormFields& fields) {
    return PostForm(who.ServerUrl + "/scripts/" + script, fields, who.Http);
}

void AddIdentity(TFormFields& f, const TOnlineIdentity& who, const std::string& name, const std::string& mail,
                 int lcid) {
    f.push_back({"appid", who.AppId});
    f.push_back({"appver", who.AppVer});
    f.push_back({"hwdid", who.Hwdid});
    f.push_back({"cl_name", EscapeRequest(name)});
    f.push_back({"cl_mail", EscapeRequest(mail)});
    f.push_back({"cl_lcid", std::to_string(lcid)});
}

std::string Value(const std::string& row, const char* tag) {
    return ElementValue(row, std::string("<") + tag + ">", std::string("</") + tag + ">", 0);
}

[[noreturn]] void BadField(const char* tag, const std::string& value) {
    throw EZorbError(
        Format(Tr("Недопустимое значение поля <%s> в ответе сервера: \"%s\""), tag, QuoteReply(value, 64)));
}

int IntField(const std::string& row, const char* tag, int lo, int hi) {
    const std::string v = Value(row, tag);
    int32_t x = 0;
    if (!TryStrToInt(v, x) || x < lo || x > hi) BadField(tag, v);
    return x;
}

// 0 when malformed: the counters read this way are only shown, and one odd value must not cost the whole list.
int IntOrZero(const std::string& row, const char* tag) {
    int32_t x = 0;
    return TryStrToInt(Value(row, tag), x) ? x : 0;
}

TDateTime DateField(const std::string& row, const char* tag) {
    const std::string v = Value(row, tag);
    TDateTime d = 0;
    if (!ParseServerDate(v, d)) BadField(tag, v);
    return d;
}

std::string Utf8Field(const std::string& row, const char* tag) {
    const std::string v = Value(row, tag);
    if (!IsCleanText(v, true)) BadField(tag, v);
    return v;
}

std::string Base64Field(const std::string& row, const char* tag) {
    std::string v = Value(row, tag), text;
    if (!Base64Decode(v, text) || !IsCleanText(text, true)) BadField(tag, v);
    return text;
}

} // namespace

std::vector<std::string> ReplyRows(const std::string& reply, bool* empty) {
    const std::string result = ElementValue(reply, "<result>", "</result>", 0);
    if (empty) *empty = Trim(result).empty();
    std::vector<std::string> rows;
    // Offsets instead of erasing the front of the text per row: a long reply stays linear.
    size_t pos = 0;
    for (;;) {
        const size_t open = FindNoCase(result, "<row>", pos);
        if (open == std::string::npos) break;
        const size_t close = FindNoCase(result, "</row>", open + 5);
        if (close == std::string::npos) ElementValue(result.substr(open), "<row>", "</row>", 0); // raises
        std::string row = Unquote(result.substr(open + 5, close - open - 5));
        pos = close + 6;
        const std::string error = ElementValue(row, "<error>", "</error>", 1);
        if (!error.empty()) throw EZorbError(Format(Tr("Сервер отклонил запрос: %s"), QuoteReply(error)));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<tSystemInfo> RequestSystemList(const TOnlineIdentity& who) {
    TFormFields f = {{"comblen", "6"}, {"maxnums", "52"}};
    AddIdentity(f, who, who.Name, who.Mail, who.Lcid);
    bool empty = false;
    const std::string reply = Post(who, "sys_getlist.php", f);
    const auto rows = ReplyRows(reply, &empty);
    std::vector<tSystemInfo> list;
    if (empty) {
        // An empty "<result>" is a catalogue without systems; a reply without one is no catalogue at all.
        const bool answered = LowerCase(reply).find("<result>") != std::string::npos;
        tSystemInfo placeholder;
        placeholder.Id = -1;
        placeholder.Title = answered ? Tr("Список систем пуст: на сервере ещё нет ни одной системы.")
                                     : Tr("Список систем не доступен!");
        list.push_back(placeholder);
        return list;
    }
    for (const auto& row : rows) {
        tSystemInfo s;
        s.Id = IntField(row, "id", 1, INT_MAX);
        s.Nums = static_cast<uint8_t>(IntField(row, "nums", 7, 52));
        s.Olap = static_cast<uint8_t>(IntField(row, "olap", 0, 5));
        s.CSize = IntField(row, "csize", 1, 100000);
        s.Title = Base64Field(row, "title");
        s.Descr = Base64Field(row, "descr");
        s.Author = Utf8Field(row, "author");
        s.AuthorMail = Utf8Field(row, "cl_mail");
        s.Url = Utf8Field(row, "url");
        s.Created = DateField(row, "created");
        s.LastDownload = DateField(row, "last_download");
        s.Downloads = IntOrZero(row, "downloads");
        list.push_back(std::move(s));
    }
    return list;
}

std::string RequestSystemData(const TOnlineIdentity& who, int id, bool download) {
    const TFormFields f = {{"sys_id", std::to_string(id)}, {"dl_mode", download ? "1" : "0"}};
    for (const auto& row : ReplyRows(Post(who, "sys_getdata.php", f))) {
        if (Value(row, "clist").empty()) continue;
        return Utf8ToCp1251(Base64Field(row, "clist"));
    }
    return "";
}

int RequestSystemPut(const TOnlineIdentity& who, const tSystemData& data, bool remove) {
    const tSystemInfo& s = data.Info;
    TFormFields f = {{"del_mode", remove ? "1" : "0"},
                     {"sys_id", std::to_string(s.Id)},
                     {"nums", std::to_string(s.Nums)},
                     {"clen", "6"},
                     {"olap", std::to_string(s.Olap)},
                     {"title", EscapeRequest(s.Title)},
                     {"descr", EscapeRequest(s.Descr)},
                     {"csize", std::to_string(s.CSize)},
                     {"clist", remove ? std::string() : Base64Encode(EscapeRequest(data.Combs))},
                     {"url", s.Url}};
    AddIdentity(f, who, s.Author, s.AuthorMail, who.Lcid);
    for (const auto& row : ReplyRows(Post(who, "sys_putdata.php", f))) {
        int32_t id = 0;
        if (TryStrToInt(Value(row, "id_systems"), id) && id >= 0) return id;
    }
    return -1;
}

std::vector<tScriptInfo> RequestScriptList(const TOnlineIdentity& who, int fltid) {
    TFormFields f = {{"fltid", std::to_string(fltid)}};
    AddIdentity(f, who, who.Name, who.Mail, who.Lcid);
    std::vector<tScriptInfo> list;
    for (const auto& row : ReplyRows(Post(who, "scr_getlist.php", f))) {
        tScriptInfo s;
        s.Id = IntField(row, "id", 1, INT_MAX);
        s.Author = Utf8Field(row, "key_cl_name");
        s.AuthorMail = Utf8Field(row, "key_cl_mail");
        int32_t lcid = 0;
        s.Language = TryStrToInt(Value(row, "key_cl_lcid"), lcid) ? lcid : who.Lcid;
        s.AppName = Utf8Field(row, "app_name");
        s.AppVersion = Utf8Field(row, "app_ver");
        s.Universal = IntOrZero(row, "uniapps") > 0;
        s.Public = IntOrZero(row, "publics") > 0;
        s.Created = DateField(row, "created");
        double avg = 0;
        s.Rating = TryStrToFloat(Value(row, "rating_avg"), avg) && avg >= 0 && avg <= 5 ? avg : 0;
        s.RatingCount = IntOrZero(row, "rating_cnt");
        s.MyRating = IntField(row, "rating_you", -1, 5);
        s.Downloads = IntOrZero(row, "downloads");
        s.LastDownload = DateField(row, "last_download");
        s.Title = Base64Field(row, "title");
        s.Descr = Base64Field(row, "descr");
        s.Mine = !who.Mail.empty() && SameText(s.AuthorMail, who.Mail);
        s.Usable = s.Universal || SameText(Value(row, "app_guid"), who.AppId);
        s.Editable = s.Mine && s.Usable;
        list.push_back(std::move(s));
    }
    return list;
}

std::string RequestScriptText(const TOnlineIdentity& who, int id) {
    // The identity follows the id, so the server can hand a private scenario to its author alone.
    TFormFields f = {{"scr_id", std::to_string(id)}};
    AddIdentity(f, who, who.Name, who.Mail, who.Lcid);
    for (const auto& row : ReplyRows(Post(who, "scr_getdata.php", f))) {
        if (LowerCase(Trim(row)).rfind("<script>", 0) != 0) continue;
        if (Value(row, "script").empty()) continue;
        return Base64Field(row, "script");
    }
    return "";
}

void RequestScriptRate(const TOnlineIdentity& who, int id, int value, const std::string& notes) {
    TFormFields f = {
        {"scr_id", std::to_string(id)}, {"rate_value", std::to_string(value)}, {"rate_notes", EscapeRequest(notes)}};
    AddIdentity(f, who, who.Name, who.Mail, who.Lcid);
    const auto rows = ReplyRows(Post(who, "scr_setrate.php", f));
    if (rows.empty()) return;
    const int code = IntField(rows.back(), "res_code", INT_MIN, INT_MAX);
    if (code < 0) throw EZorbError(Format(Tr("Код возврата: %d"), code));
}

bool RequestScriptTitleFree(const TOnlineIdentity& who, int id, const std::string& title) {
    for (const auto& row : ReplyRows(
             Post(who, "scr_chktitle.php", {{"scr_id", std::to_string(id)}, {"scr_title", EscapeRequest(title)}}))) {
        int32_t code = 0;
        if (TryStrToInt(Value(row, "ret_code"), code) && code == 0) return true;
    }
    return false;
}

namespace {
int PutScript(const TOnlineIdentity& who, const tScriptData& d, const std::string* script) {
    TFormFields f = {{"del_mode", script ? "0" : "1"},         {"scr_id", std::to_string(d.Id)},
                     {"scr_uniapps", d.Universal ? "1" : "0"}, {"scr_publics", d.Public ? "1" : "0"},
                     {"scr_title", EscapeRequest(d.Title)},    {"scr_descr", EscapeRequest(d.Descr)}};
    if (script) f.push_back({"scr_script", EscapeRequest(*script)});
    AddIdentity(f, who, d.Author, who.Mail, d.Language);
    const auto rows = ReplyRows(Post(who, "scr_putscript.php", f));
    if (rows.empty()) return -1;
    return IntField(rows.back(), "id_scripts", INT_MIN, INT_MAX);
}
} // namespace

int RequestScriptPut(const TOnlineIdentity& who, const tScriptData& data, const std::string& script) {
    return PutScript(who, data, &script);
}

int RequestScriptDelete(const TOnlineIdentity& who, const tScriptData& data) {
    return PutScript(who, data, nullptr);
}

std::vector<TScriptRate> RequestScriptRates(const TOnlineIdentity& who, int id) {
    TFormFields f = {{"scr_id", std::to_string(id)}};
    AddIdentity(f, who, who.Name, who.Mail, who.Lcid);
    std::vector<TScriptRate> list;
    for (const auto& row : ReplyRows(Post(who, "scr_getrates.php", f))) {
        TScriptRate r;
        r.Name = Utf8Field(row, "key_cl_name");
        r.Rate = IntField(row, "rate", 1, 5);
        r.Created = DateField(row, "created");
        r.AppName = Utf8Field(row, "app_name");
        r.AppVer = Utf8Field(row, "app_ver");
        r.Notes = Utf8Field(row, "notes");
        list.push_back(std::move(r));
    }
    return list;
}

tScriptData ScriptDataOf(const tScriptInfo& s) {
    tScriptData d;
    d.Id = s.Id;
    d.Author = s.Author;
    d.Language = s.Language;
    d.Universal = s.Universal;
    d.Public = s.Public;
    d.Title = s.Title;
    d.Descr = s.Descr;
    return d;
}

} // namespace zorb
