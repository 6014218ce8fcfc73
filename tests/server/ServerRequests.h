// Requests to zorb-server as the program sends them, the reading of its rows, and a fixture that also reads the
// database beside the server.
#pragma once

#include "ServerFixture.h"
#include "net/Http.h"
#include "net/Reply.h"
#include "online/OnlineWire.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace zorb::test {

inline const char* const AppId = "{6F0C2A52-5E1B-4D8A-9C37-52A6E0B1D406}";

struct TWho {
    std::string Name = "Иван", Mail = "Ivan@Example.org", Hwdid = "hw-1";
};

inline void AddIdentity(TFormFields& f, const TWho& who) {
    f.insert(f.end(), {{"appid", AppId},
                       {"appver", "1.0.0"},
                       {"hwdid", who.Hwdid},
                       {"cl_name", EscapeRequest(who.Name)},
                       {"cl_mail", EscapeRequest(who.Mail)},
                       {"cl_lcid", "1049"}});
}

inline TFormFields SystemPut(int id, const std::string& lines, int csize, const TWho& who = {}, int nums = 8) {
    TFormFields f = {{"del_mode", "0"},
                     {"sys_id", std::to_string(id)},
                     {"nums", std::to_string(nums)},
                     {"clen", "6"},
                     {"olap", "3"},
                     {"title", EscapeRequest("Три из четырёх \"пар\"")},
                     {"descr", EscapeRequest("строка 1\r\nстрока 2")},
                     {"csize", std::to_string(csize)},
                     {"clist", Base64Encode(EscapeRequest(lines))},
                     {"url", "https://example.org/s?a=1"}};
    AddIdentity(f, who);
    return f;
}

inline TFormFields ScriptPut(int id, const std::string& title, bool pub, const TWho& who = {}, int del = 0) {
    TFormFields f = {{"del_mode", std::to_string(del)},
                     {"scr_id", std::to_string(id)},
                     {"scr_uniapps", "0"},
                     {"scr_publics", pub ? "1" : "0"},
                     {"scr_title", EscapeRequest(title)},
                     {"scr_descr", EscapeRequest("описание")}};
    if (!del) f.push_back({"scr_script", EscapeRequest("[1]\r\nNUMS:=\"1\"\r\n")});
    AddIdentity(f, who);
    return f;
}

inline TFormFields Listing(const std::string& first, const std::string& value, const TWho& who = {}) {
    TFormFields f;
    if (first == "sys")
        f = {{"comblen", "6"}, {"maxnums", "52"}};
    else
        f = {{"fltid", value}};
    AddIdentity(f, who);
    return f;
}

inline std::vector<std::string> Rows(std::string reply) {
    std::string result = ElementValue(reply, "<result>", "</result>", 0);
    std::vector<std::string> rows;
    for (;;) {
        const std::string row = TakeElement(result, "<row>", "</row>", 0);
        if (row.empty()) break;
        rows.push_back(row);
    }
    return rows;
}

inline std::string Field(const std::string& row, const std::string& tag) {
    return ElementValue(row, "<" + tag + ">", "</" + tag + ">", 1);
}

inline const std::string EightLines = "1 2 3 4 5 6\r\n1 2 3 4 7 8\r\n1 2 5 6 7 8\r\n3 4 5 6 7 8";

class ServerTest : public TServerFixture {
protected:
    std::string Post(const std::string& op, const TFormFields& f) {
        return PostForm(BaseUrl() + "/scripts/" + op + ".php", f);
    }
    std::string Error(const std::string& reply) {
        const auto rows = Rows(reply);
        return rows.empty() ? "" : Field(rows[0], "error");
    }
    // Every row of every table, read beside the server, to prove a refused request changed nothing.
    std::string Snapshot() {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(Dir.File("zorb.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::string dump;
        for (const char* table : {"systems", "scripts", "rates", "events"}) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, (std::string("SELECT * FROM ") + table).c_str(), -1, &st, nullptr);
            while (sqlite3_step(st) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(st); ++c) {
                    const auto* t = sqlite3_column_text(st, c);
                    dump += t ? reinterpret_cast<const char*>(t) : "NULL";
                    dump += '|';
                }
            sqlite3_finalize(st);
            dump += '\n';
        }
        sqlite3_close(db);
        return dump;
    }
    int PublishSystem(const TWho& who = {}) {
        return std::stoi(Field(Rows(Post("sys_putdata", SystemPut(0, EightLines, 4, who)))[0], "id_systems"));
    }
    int PublishScript(const std::string& title, bool pub = true, const TWho& who = {}) {
        return std::stoi(Field(Rows(Post("scr_putscript", ScriptPut(-1, title, pub, who)))[0], "id_scripts"));
    }
};

inline void SetField(TFormFields& f, const std::string& name, const std::string& value) {
    for (auto& [n, v] : f)
        if (n == name) v = value;
}

} // namespace zorb::test
