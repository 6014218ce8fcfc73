// The PostgreSQL store: one libpq connection, every value a text parameter of PQexecParams.
#include "server/ServerStore.h"

#include <libpq-fe.h>

#include <stdexcept>

namespace zorb::server {

namespace {

const char* const PgSchema = R"sql(
CREATE TABLE IF NOT EXISTS systems (
    id SERIAL PRIMARY KEY,
    nums INTEGER NOT NULL, olap INTEGER NOT NULL, csize INTEGER NOT NULL,
    title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL,
    mail TEXT NOT NULL, mail_key TEXT NOT NULL, hwdid TEXT NOT NULL,
    url TEXT NOT NULL, clist TEXT NOT NULL,
    created TEXT NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS scripts (
    id SERIAL PRIMARY KEY,
    title TEXT NOT NULL, title_key TEXT NOT NULL UNIQUE, descr TEXT NOT NULL, script TEXT NOT NULL,
    author TEXT NOT NULL, mail TEXT NOT NULL, mail_key TEXT NOT NULL, hwdid TEXT NOT NULL,
    app_guid TEXT NOT NULL, app_name TEXT NOT NULL, app_ver TEXT NOT NULL,
    lcid INTEGER NOT NULL, uniapps INTEGER NOT NULL, publics INTEGER NOT NULL,
    created TEXT NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS rates (
    script_id INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
    mail_key TEXT NOT NULL, rate INTEGER NOT NULL, notes TEXT NOT NULL, cl_name TEXT NOT NULL,
    app_name TEXT NOT NULL, app_ver TEXT NOT NULL, created TEXT NOT NULL, seq BIGSERIAL,
    PRIMARY KEY (script_id, mail_key)
);
)sql";

struct TResult {
    PGresult* R = nullptr;
    ~TResult() { PQclear(R); }
    int Rows() const { return PQntuples(R); }
    std::string Text(int row, int col) const { return PQgetisnull(R, row, col) ? "" : PQgetvalue(R, row, col); }
    int Int(int row, int col) const { return PQgetisnull(R, row, col) ? 0 : std::stoi(PQgetvalue(R, row, col)); }
    double Real(int row, int col) const { return PQgetisnull(R, row, col) ? 0 : std::stod(PQgetvalue(R, row, col)); }
};

class TPgStore : public TServerStore {
public:
    explicit TPgStore(const std::string& conninfo) : FConn(PQconnectdb(conninfo.c_str())) {
        if (PQstatus(FConn) != CONNECTION_OK) {
            const std::string reason = PQerrorMessage(FConn);
            PQfinish(FConn);
            throw std::runtime_error("PostgreSQL: " + reason);
        }
        Run("SET client_min_messages = warning", {});
        Run(PgSchema, {});
    }
    ~TPgStore() override { PQfinish(FConn); }

    std::vector<TSystemRow> ListSystems() override {
        auto r = Run("SELECT " + SystemColumns + " FROM systems ORDER BY id", {});
        std::vector<TSystemRow> rows;
        for (int i = 0; i < r->Rows(); ++i) rows.push_back(SystemFrom(*r, i, false));
        return rows;
    }
    std::optional<TSystemRow> GetSystem(int id) override {
        auto r = Run("SELECT " + SystemColumns + ", clist FROM systems WHERE id = $1", {std::to_string(id)});
        if (r->Rows() == 0) return std::nullopt;
        return SystemFrom(*r, 0, true);
    }
    void CountSystemDownload(int id, const std::string& now) override {
        Run("UPDATE systems SET downloads = downloads + 1, last_download = $1 WHERE id = $2",
            {now, std::to_string(id)});
    }
    int InsertSystem(const TSystemRow& r) override {
        auto res =
            Run("INSERT INTO systems (nums, olap, csize, title, descr, author, mail, mail_key, hwdid, url, clist, "
                "created) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12) RETURNING id",
                SystemParams(r));
        return res->Int(0, 0);
    }
    void UpdateSystem(const TSystemRow& r) override {
        auto p = SystemParams(r);
        p.push_back(std::to_string(r.Id));
        Run("UPDATE systems SET nums = $1, olap = $2, csize = $3, title = $4, descr = $5, author = $6, mail = $7, "
            "mail_key = $8, hwdid = $9, url = $10, clist = $11, created = $12 WHERE id = $13",
            p);
    }
    void DeleteSystem(int id) override { Run("DELETE FROM systems WHERE id = $1", {std::to_string(id)}); }

    std::vector<TScriptRow> ListScripts(const std::string& mailKey) override {
        auto r = Run("SELECT " + ScriptColumns("s.") +
                         ", (SELECT AVG(rate)::float8 FROM rates r WHERE r.script_id = s.id AND r.rate > 0), "
                         "(SELECT COUNT(*) FROM rates r WHERE r.script_id = s.id AND r.rate > 0), "
                         "(SELECT rate FROM rates r WHERE r.script_id = s.id AND r.mail_key = $1) "
                         "FROM scripts s ORDER BY s.id",
                     {mailKey});
        std::vector<TScriptRow> rows;
        for (int i = 0; i < r->Rows(); ++i) {
            TScriptRow s = ScriptFrom(*r, i);
            s.RatingAvg = r->Real(i, 17);
            s.RatingCount = r->Int(i, 18);
            s.MyRating = mailKey.empty() ? 0 : r->Int(i, 19);
            rows.push_back(std::move(s));
        }
        return rows;
    }
    std::optional<TScriptRow> GetScript(int id) override {
        auto r = Run("SELECT " + ScriptColumns("") + ", script FROM scripts WHERE id = $1", {std::to_string(id)});
        if (r->Rows() == 0) return std::nullopt;
        TScriptRow s = ScriptFrom(*r, 0);
        s.Script = r->Text(0, 17);
        return s;
    }
    void CountScriptDownload(int id, const std::string& now) override {
        Run("UPDATE scripts SET downloads = downloads + 1, last_download = $1 WHERE id = $2",
            {now, std::to_string(id)});
    }
    int FindScriptTitle(const std::string& titleKey) override {
        auto r = Run("SELECT id FROM scripts WHERE title_key = $1", {titleKey});
        return r->Rows() ? r->Int(0, 0) : 0;
    }
    int InsertScript(const TScriptRow& r) override {
        auto res = Run("INSERT INTO scripts (title, title_key, descr, script, author, mail, mail_key, hwdid, app_guid, "
                       "app_name, app_ver, lcid, uniapps, publics, created) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, "
                       "$9, $10, $11, $12, $13, $14, $15) RETURNING id",
                       ScriptParams(r));
        return res->Int(0, 0);
    }
    void UpdateScript(const TScriptRow& r) override {
        auto p = ScriptParams(r);
        p.push_back(std::to_string(r.Id));
        Run("UPDATE scripts SET title = $1, title_key = $2, descr = $3, script = $4, author = $5, mail = $6, "
            "mail_key = $7, hwdid = $8, app_guid = $9, app_name = $10, app_ver = $11, lcid = $12, uniapps = $13, "
            "publics = $14, created = $15 WHERE id = $16",
            p);
    }
    void DeleteScript(int id) override { Run("DELETE FROM scripts WHERE id = $1", {std::to_string(id)}); }

    void SetRate(int scriptId, const std::string& mailKey, int rate, const TRateRow& r) override {
        if (rate == 0) {
            Run("DELETE FROM rates WHERE script_id = $1 AND mail_key = $2", {std::to_string(scriptId), mailKey});
            return;
        }
        Run("INSERT INTO rates (script_id, mail_key, rate, notes, cl_name, app_name, app_ver, created) VALUES ($1, $2, "
            "$3, $4, $5, $6, $7, $8) ON CONFLICT (script_id, mail_key) DO UPDATE SET rate = excluded.rate, notes = "
            "excluded.notes, cl_name = excluded.cl_name, app_name = excluded.app_name, app_ver = excluded.app_ver, "
            "created = excluded.created",
            {std::to_string(scriptId), mailKey, std::to_string(rate), r.Notes, r.Name, r.AppName, r.AppVer, r.Created});
    }
    std::vector<TRateRow> ListRates(int scriptId) override {
        auto r = Run("SELECT cl_name, rate, created, app_name, app_ver, notes FROM rates WHERE script_id = $1 AND "
                     "rate > 0 ORDER BY created, seq",
                     {std::to_string(scriptId)});
        std::vector<TRateRow> rows;
        for (int i = 0; i < r->Rows(); ++i) {
            TRateRow x;
            x.Name = r->Text(i, 0);
            x.Rate = r->Int(i, 1);
            x.Created = r->Text(i, 2);
            x.AppName = r->Text(i, 3);
            x.AppVer = r->Text(i, 4);
            x.Notes = r->Text(i, 5);
            rows.push_back(std::move(x));
        }
        return rows;
    }

private:
    PGconn* FConn;
    const std::string SystemColumns = "id, nums, olap, csize, title, descr, author, mail, mail_key, hwdid, url, "
                                      "created, downloads, last_download";

    static std::string ScriptColumns(const std::string& p) {
        std::string r;
        for (const char* c :
             {"id", "title", "title_key", "descr", "author", "mail", "mail_key", "hwdid", "app_guid", "app_name",
              "app_ver", "created", "last_download", "lcid", "uniapps", "publics", "downloads"}) {
            if (!r.empty()) r += ", ";
            r += p + c;
        }
        return r;
    }

    std::unique_ptr<TResult> Run(const std::string& sql, const std::vector<std::string>& params) {
        std::vector<const char*> values;
        for (const auto& p : params) values.push_back(p.c_str());
        auto r = std::make_unique<TResult>();
        r->R = params.empty() ? PQexec(FConn, sql.c_str())
                              : PQexecParams(FConn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                             values.data(), nullptr, nullptr, 0);
        const auto status = PQresultStatus(r->R);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(FConn));
        return r;
    }

    static TSystemRow SystemFrom(const TResult& r, int i, bool withList) {
        TSystemRow s;
        s.Id = r.Int(i, 0);
        s.Nums = r.Int(i, 1);
        s.Olap = r.Int(i, 2);
        s.CSize = r.Int(i, 3);
        s.Title = r.Text(i, 4);
        s.Descr = r.Text(i, 5);
        s.Author = r.Text(i, 6);
        s.Mail = r.Text(i, 7);
        s.MailKey = r.Text(i, 8);
        s.Hwdid = r.Text(i, 9);
        s.Url = r.Text(i, 10);
        s.Created = r.Text(i, 11);
        s.Downloads = r.Int(i, 12);
        s.LastDownload = r.Text(i, 13);
        if (withList) s.Clist = r.Text(i, 14);
        return s;
    }
    static std::vector<std::string> SystemParams(const TSystemRow& r) {
        return {std::to_string(r.Nums),
                std::to_string(r.Olap),
                std::to_string(r.CSize),
                r.Title,
                r.Descr,
                r.Author,
                r.Mail,
                r.MailKey,
                r.Hwdid,
                r.Url,
                r.Clist,
                r.Created};
    }
    static TScriptRow ScriptFrom(const TResult& r, int i) {
        TScriptRow s;
        s.Id = r.Int(i, 0);
        s.Title = r.Text(i, 1);
        s.TitleKey = r.Text(i, 2);
        s.Descr = r.Text(i, 3);
        s.Author = r.Text(i, 4);
        s.Mail = r.Text(i, 5);
        s.MailKey = r.Text(i, 6);
        s.Hwdid = r.Text(i, 7);
        s.AppGuid = r.Text(i, 8);
        s.AppName = r.Text(i, 9);
        s.AppVer = r.Text(i, 10);
        s.Created = r.Text(i, 11);
        s.LastDownload = r.Text(i, 12);
        s.Lcid = r.Int(i, 13);
        s.Universal = r.Int(i, 14);
        s.Public = r.Int(i, 15);
        s.Downloads = r.Int(i, 16);
        return s;
    }
    static std::vector<std::string> ScriptParams(const TScriptRow& r) {
        return {r.Title,
                r.TitleKey,
                r.Descr,
                r.Script,
                r.Author,
                r.Mail,
                r.MailKey,
                r.Hwdid,
                r.AppGuid,
                r.AppName,
                r.AppVer,
                std::to_string(r.Lcid),
                std::to_string(r.Universal),
                std::to_string(r.Public),
                r.Created};
    }
};

} // namespace

std::unique_ptr<TServerStore> OpenPgStore(const std::string& conninfo) {
    return std::make_unique<TPgStore>(conninfo);
}

} // namespace zorb::server
