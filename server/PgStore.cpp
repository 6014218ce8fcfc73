// The PostgreSQL store: one libpq connection, every value a text parameter of PQexecParams. Several servers may
// share the database: the schema is set up under an advisory lock, the limit counters are serialised by one, and
// a transaction that lost its connection, a deadlock or a race on a unique key is rolled back and run again.
#include "server/ServerLog.h"
#include "server/ServerStore.h"

#include <libpq-fe.h>

#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

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
    mail_key TEXT NOT NULL, hwdid TEXT NOT NULL, rate INTEGER NOT NULL, notes TEXT NOT NULL, cl_name TEXT NOT NULL,
    app_name TEXT NOT NULL, app_ver TEXT NOT NULL, created TEXT NOT NULL, seq BIGSERIAL,
    PRIMARY KEY (script_id, mail_key, hwdid)
);
CREATE TABLE IF NOT EXISTS events (kind TEXT NOT NULL, key TEXT NOT NULL, at BIGINT NOT NULL);
CREATE INDEX IF NOT EXISTS events_by_key ON events (kind, key, at);
CREATE INDEX IF NOT EXISTS events_by_time ON events (at);
)sql";

// The first schema keyed ratings on the e-mail alone; its ratings keep an empty installation id (see SetRate).
const char* const PgMigrateRates = R"sql(
ALTER TABLE rates ADD COLUMN hwdid TEXT NOT NULL DEFAULT '';
ALTER TABLE rates DROP CONSTRAINT rates_pkey;
ALTER TABLE rates ADD PRIMARY KEY (script_id, mail_key, hwdid);
)sql";

// Advisory lock keys of this program: the schema set-up, and the limit counters (with the kind's hash).
constexpr const char* SchemaLock = "605201";
constexpr const char* EventsLock = "605210";

// A failed statement. `Broken`: the connection is gone; `Transient`: the server rolled back a transaction that
// may succeed when run again (deadlock, serialisation, a unique key another server took meanwhile).
struct EPgFailure : std::runtime_error {
    bool Broken = false, Transient = false;
    EPgFailure(const std::string& text, bool broken, bool transient)
        : std::runtime_error(text), Broken(broken), Transient(transient) {}
};

struct TResult {
    PGresult* R = nullptr;
    ~TResult() { PQclear(R); }
    int Rows() const { return PQntuples(R); }
    std::string Text(int row, int col) const { return PQgetisnull(R, row, col) ? "" : PQgetvalue(R, row, col); }
    int Int(int row, int col) const { return PQgetisnull(R, row, col) ? 0 : std::stoi(PQgetvalue(R, row, col)); }
    double Real(int row, int col) const { return PQgetisnull(R, row, col) ? 0 : std::stod(PQgetvalue(R, row, col)); }
};

std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\t') c = ' ';
    return text;
}

class TPgStore : public TServerStore {
public:
    explicit TPgStore(const std::string& conninfo) : FConn(PQconnectdb(conninfo.c_str())) {
        if (PQstatus(FConn) != CONNECTION_OK) {
            const std::string reason = OneLine(PQerrorMessage(FConn));
            PQfinish(FConn);
            throw std::runtime_error("PostgreSQL: " + reason);
        }
        try {
            Session();
            // Servers starting together on an empty database would race on the catalogue otherwise.
            Run("SELECT pg_advisory_lock(" + std::string(SchemaLock) + ")", {});
            Run("BEGIN", {});
            Run(PgSchema, {});
            auto old = Run("SELECT 1 FROM information_schema.columns WHERE table_schema = current_schema() AND "
                           "table_name = 'rates' AND column_name = 'hwdid'",
                           {});
            if (old->Rows() == 0) Run(PgMigrateRates, {});
            Run("COMMIT", {});
            Run("SELECT pg_advisory_unlock(" + std::string(SchemaLock) + ")", {});
        } catch (...) {
            PQfinish(FConn);
            throw;
        }
    }
    ~TPgStore() override { PQfinish(FConn); }

    void Transaction(bool, const std::function<void()>& body) override {
        bool reconnected = false;
        for (int attempt = 1;; ++attempt) {
            try {
                Connect();
                Run("BEGIN", {});
                body();
                Commit();
                return;
            } catch (const EPgFailure& e) {
                RollbackQuietly();
                const bool again = e.Broken ? !reconnected : e.Transient && attempt < 4;
                if (!again) throw;
                reconnected = reconnected || e.Broken;
                Log(TLogLevel::Warning, std::string("PostgreSQL: ") + e.what() + "; running the request again");
            } catch (...) {
                RollbackQuietly();
                throw;
            }
        }
    }

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

    std::vector<TScriptRow> ListScripts(const TRater& asking) override {
        const bool known = !asking.MailKey.empty() && !asking.Hwdid.empty();
        auto r = Run("SELECT " + ScriptColumns("s.") +
                         ", (SELECT AVG(rate)::float8 FROM rates r WHERE r.script_id = s.id AND r.rate > 0), "
                         "(SELECT COUNT(*) FROM rates r WHERE r.script_id = s.id AND r.rate > 0), "
                         "(SELECT rate FROM rates r WHERE r.script_id = s.id AND r.mail_key = $1 AND r.hwdid = $2) "
                         "FROM scripts s ORDER BY s.id",
                     {asking.MailKey, asking.Hwdid});
        std::vector<TScriptRow> rows;
        for (int i = 0; i < r->Rows(); ++i) {
            TScriptRow s = ScriptFrom(*r, i);
            s.RatingAvg = r->Real(i, 17);
            s.RatingCount = r->Int(i, 18);
            s.MyRating = known ? r->Int(i, 19) : 0;
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

    void SetRate(int scriptId, const TRater& rater, int rate, const TRateRow& r) override {
        const std::string id = std::to_string(scriptId);
        // A rating from before ratings knew installations goes once its e-mail rates again.
        Run("DELETE FROM rates WHERE script_id = $1 AND mail_key = $2 AND hwdid = ''", {id, rater.MailKey});
        if (rate == 0) {
            Run("DELETE FROM rates WHERE script_id = $1 AND mail_key = $2 AND hwdid = $3",
                {id, rater.MailKey, rater.Hwdid});
            return;
        }
        Run("INSERT INTO rates (script_id, mail_key, hwdid, rate, notes, cl_name, app_name, app_ver, created) VALUES "
            "($1, $2, $3, $4, $5, $6, $7, $8, $9) ON CONFLICT (script_id, mail_key, hwdid) DO UPDATE SET rate = "
            "excluded.rate, notes = excluded.notes, cl_name = excluded.cl_name, app_name = excluded.app_name, "
            "app_ver = excluded.app_ver, created = excluded.created",
            {id, rater.MailKey, rater.Hwdid, std::to_string(rate), r.Notes, r.Name, r.AppName, r.AppVer, r.Created});
    }
    std::vector<std::string> RatingMails(int scriptId, const std::string& hwdid) override {
        auto r = Run("SELECT mail_key FROM rates WHERE script_id = $1 AND hwdid = $2 AND rate > 0",
                     {std::to_string(scriptId), hwdid});
        std::vector<std::string> mails;
        for (int i = 0; i < r->Rows(); ++i) mails.push_back(r->Text(i, 0));
        return mails;
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

    void LockEvents(const std::string& kind) override {
        Run("SELECT pg_advisory_xact_lock(" + std::string(EventsLock) + ", hashtext($1))", {kind});
    }
    int CountEvents(const std::string& kind, const std::string& key, int64_t since) override {
        auto r = Run("SELECT COUNT(*) FROM events WHERE kind = $1 AND key = $2 AND at > $3",
                     {kind, key, std::to_string(since)});
        return r->Int(0, 0);
    }
    void AddEvent(const std::string& kind, const std::string& key, int64_t at, int64_t forgetBefore) override {
        Run("DELETE FROM events WHERE at < $1", {std::to_string(forgetBefore)});
        Run("INSERT INTO events (kind, key, at) VALUES ($1, $2, $3)", {kind, key, std::to_string(at)});
    }

private:
    PGconn* FConn;
    const std::string SystemColumns = "id, nums, olap, csize, title, descr, author, mail, mail_key, hwdid, url, "
                                      "created, downloads, last_download";

    void Session() { Run("SET client_min_messages = warning", {}); }

    // A connection the server or the network dropped is opened again before the next transaction.
    void Connect() {
        if (PQstatus(FConn) == CONNECTION_OK) return;
        PQreset(FConn);
        if (PQstatus(FConn) != CONNECTION_OK)
            throw std::runtime_error("PostgreSQL: cannot connect again: " + OneLine(PQerrorMessage(FConn)));
        Log(TLogLevel::Info, "PostgreSQL: connected again");
        Session();
    }

    void Commit() {
        try {
            Run("COMMIT", {});
        } catch (const EPgFailure& e) {
            // A lost reply to COMMIT leaves the outcome unknown: running the request again could store it twice.
            if (e.Broken) throw std::runtime_error(std::string(e.what()) + " (during COMMIT; outcome unknown)");
            throw;
        }
    }

    void RollbackQuietly() noexcept {
        if (PQstatus(FConn) == CONNECTION_OK && PQtransactionStatus(FConn) != PQTRANS_IDLE)
            PQclear(PQexec(FConn, "ROLLBACK"));
    }

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
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return r;
        const char* state = r->R ? PQresultErrorField(r->R, PG_DIAG_SQLSTATE) : nullptr;
        const std::string code = state ? state : "";
        const bool broken = PQstatus(FConn) != CONNECTION_OK;
        const bool transient = code == "40001" || code == "40P01" || code == "23505";
        throw EPgFailure("PostgreSQL: " + OneLine(PQerrorMessage(FConn)), broken, transient);
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

bool HasControl(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

} // namespace

std::unique_ptr<TServerStore> OpenPgStore(const std::string& conninfo) {
    return std::make_unique<TPgStore>(conninfo);
}

TStoreKind ClassifyDb(const std::string& value, std::string& why) {
    why.clear();
    if (value.empty()) {
        why = "empty";
        return TStoreKind::Invalid;
    }
    if (HasControl(value)) {
        why = "control characters";
        return TStoreKind::Invalid;
    }
    const bool uri = value.rfind("postgresql://", 0) == 0 || value.rfind("postgres://", 0) == 0;
    // A path that starts with "/" or "." is a path even when a name in it holds "=".
    const bool pathLike = value[0] == '/' || value[0] == '.';
    if (uri || (!pathLike && value.find('=') != std::string::npos)) {
        char* error = nullptr;
        PQconninfoOption* options = PQconninfoParse(value.c_str(), &error);
        if (options) {
            PQconninfoFree(options);
            return TStoreKind::Postgres;
        }
        why = "not a PostgreSQL connection string (" + OneLine(error ? error : "out of memory") +
              "); a file whose name holds \"=\" is written as ./NAME";
        PQfreemem(error);
        return TStoreKind::Invalid;
    }
    if (value.find("://") != std::string::npos) {
        why = "neither a file path nor a postgresql:// address";
        return TStoreKind::Invalid;
    }
    struct stat st {};
    if (value.back() == '/' || (::stat(value.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        why = "a directory, not a database file";
        return TStoreKind::Invalid;
    }
    return TStoreKind::Sqlite;
}

} // namespace zorb::server
