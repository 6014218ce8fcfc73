// zorb-server processes under concurrent publishers, raters and readers for a fixed number of requests: no reply
// is a 5xx, every acknowledged write is stored exactly once, the publish limit holds across servers sharing one
// database, and a server killed with SIGKILL mid-run loses nothing it acknowledged. Loopback only; each run
// prints the requests per second it sustained (a figure to read, not a check).
#include "PgTestDatabase.h"
#include "ServerRequests.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <set>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zorb::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int PublishLimit = 10; // per installation and hour, across every server

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A zorb-server process on a loopback port; its log goes to a file beside the test's data.
class TServerProcess {
public:
    TServerProcess(const std::string& db, const std::string& log) : FPort(FreePort()) {
        const std::vector<std::string> args = {ZORB_SERVER_EXE,
                                               "--db",
                                               db,
                                               "--port",
                                               std::to_string(FPort),
                                               "--publish-limit",
                                               std::to_string(PublishLimit),
                                               "--publish-limit-address",
                                               "1000000",
                                               "--rate-limit-address",
                                               "1000000"};
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        httplib::Client c("127.0.0.1", FPort);
        for (int i = 0; i < 300 && FPid > 0; ++i) {
            if (c.Post("/scripts/scr_chktitle.php", "scr_id=-1&scr_title=x", "application/x-www-form-urlencoded"))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        throw std::runtime_error("zorb-server did not start; see " + log);
    }
    ~TServerProcess() { Stop(SIGTERM); }
    void Kill() { Stop(SIGKILL); }
    int Port() const { return FPort; }

private:
    int FPort;
    pid_t FPid = -1;

    void Stop(int sig) {
        if (FPid <= 0) return;
        ::kill(FPid, sig);
        int status = 0;
        ::waitpid(FPid, &status, 0);
        FPid = -1;
    }
};

std::string Decode64(const std::string& text) {
    std::string out;
    Base64Decode(text, out);
    return out;
}

// What the clients were told, and what went wrong.
struct TOutcome {
    std::mutex Lock;
    std::map<std::string, std::string> Scripts, Systems; // title -> acknowledged id
    std::map<std::string, int> Rated;                    // "installation/scenario id" -> acknowledged value
    std::map<std::string, int> AcceptedBy;               // installation -> acknowledged publications
    std::vector<std::string> Failures;
    std::atomic<int> Requests{0}, Unanswered{0};
};

struct TLoad {
    int Publishers = 2, Raters = 3, Readers = 3;
    int PublishTries = 30;    // per publisher, three times the limit
    int ReaderRequests = 400; // per reader
    std::string Tag;          // keeps the titles of two runs on one database apart
};

class TLoadRun {
public:
    TLoadRun(std::vector<int> ports, const TLoad& load, std::vector<int> seeds)
        : FPorts(std::move(ports)), FLoad(load), FSeeds(std::move(seeds)), FAlive(FPorts.size()) {
        for (auto& alive : FAlive) alive = true;
        FPlanned = load.Publishers * load.PublishTries + load.Raters * static_cast<int>(FSeeds.size()) +
                   load.Readers * load.ReaderRequests;
    }

    // Runs every client to the end; `kill` is called once half the requests are done (the server it stops no
    // longer gets requests); the seconds the run took.
    double Run(const std::function<void()>& kill, size_t killed) {
        const auto start = Clock::now();
        std::vector<std::thread> threads;
        for (int t = 0; t < FLoad.Publishers; ++t) threads.emplace_back([this, t] { Publisher(t); });
        for (int t = 0; t < FLoad.Raters; ++t) threads.emplace_back([this, t] { Rater(t); });
        for (int t = 0; t < FLoad.Readers; ++t) threads.emplace_back([this, t] { Reader(t); });
        if (kill) {
            while (Outcome.Requests < FPlanned / 2) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            FAlive[killed] = false;
            kill();
        }
        for (auto& t : threads) t.join();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    TOutcome Outcome;
    int Planned() const { return FPlanned; }

private:
    std::vector<int> FPorts;
    TLoad FLoad;
    std::vector<int> FSeeds;
    std::vector<std::atomic<bool>> FAlive;
    int FPlanned = 0;

    // One request on the next living server; the reply, or "" when it went unanswered.
    std::string Post(int& turn, std::map<int, std::unique_ptr<httplib::Client>>& clients, const std::string& op,
                     const TFormFields& f) {
        size_t server = static_cast<size_t>(turn++) % FPorts.size();
        while (!FAlive[server]) server = (server + 1) % FPorts.size();
        auto& c = clients[FPorts[server]];
        if (!c) {
            c = std::make_unique<httplib::Client>("127.0.0.1", FPorts[server]);
            c->set_keep_alive(true);
            c->set_tcp_nodelay(true);
            c->set_read_timeout(20, 0);
        }
        const auto r = c->Post(("/scripts/" + op + ".php").c_str(), EncodeForm(f), "application/x-www-form-urlencoded");
        ++Outcome.Requests;
        std::lock_guard lock(Outcome.Lock);
        if (!r) {
            // Only the server being killed may leave a request without a reply.
            ++Outcome.Unanswered;
            if (FAlive[server]) Outcome.Failures.push_back(op + ": no reply from a living server");
            c.reset();
            return "";
        }
        if (r->status != 200) Outcome.Failures.push_back(op + ": HTTP " + std::to_string(r->status));
        return r->body;
    }

    void Publisher(int t) {
        std::map<int, std::unique_ptr<httplib::Client>> clients;
        int turn = t;
        const TWho who{"Издатель", "pub" + std::to_string(t) + "@example.org", "pub-" + FLoad.Tag + std::to_string(t)};
        for (int i = 0; i < FLoad.PublishTries; ++i) {
            const std::string title = FLoad.Tag + "-" + std::to_string(t) + "-" + std::to_string(i);
            const bool script = i % 2 == 0;
            TFormFields f = script ? ScriptPut(-1, title, true, who) : SystemPut(0, EightLines, 4, who);
            if (!script) SetField(f, "title", title);
            const std::string reply = Post(turn, clients, script ? "scr_putscript" : "sys_putdata", f);
            const auto rows = Rows(reply);
            if (rows.empty()) continue;
            const std::string id = Field(rows[0], script ? "id_scripts" : "id_systems");
            std::lock_guard lock(Outcome.Lock);
            if (std::stoi(id) > 0) {
                (script ? Outcome.Scripts : Outcome.Systems)[title] = id;
                ++Outcome.AcceptedBy[who.Hwdid];
            } else if (Field(rows[0], "res_code") != "-3")
                Outcome.Failures.push_back("publish refused: " + reply);
        }
    }

    void Rater(int t) {
        std::map<int, std::unique_ptr<httplib::Client>> clients;
        int turn = t;
        const TWho who{"Оценщик", "rater" + std::to_string(t) + "@example.org",
                       "rater-" + FLoad.Tag + std::to_string(t)};
        for (size_t i = 0; i < FSeeds.size(); ++i) {
            const int value = static_cast<int>((i + static_cast<size_t>(t)) % 5) + 1;
            TFormFields f = {
                {"scr_id", std::to_string(FSeeds[i])}, {"rate_value", std::to_string(value)}, {"rate_notes", ""}};
            AddIdentity(f, who);
            const auto rows = Rows(Post(turn, clients, "scr_setrate", f));
            if (rows.empty()) continue;
            std::lock_guard lock(Outcome.Lock);
            if (Field(rows.back(), "res_code") == "0")
                Outcome.Rated[who.Hwdid + "/" + std::to_string(FSeeds[i])] = value;
            else
                Outcome.Failures.push_back("rating refused: " + rows.back());
        }
    }

    void Reader(int t) {
        std::map<int, std::unique_ptr<httplib::Client>> clients;
        int turn = t;
        const TWho who{"Читатель", "reader@example.org", "reader"};
        for (int i = 0; i < FLoad.ReaderRequests; ++i) {
            const std::string id = std::to_string(FSeeds[static_cast<size_t>(i) % FSeeds.size()]);
            TFormFields f;
            std::string op;
            switch (i % 4) {
            case 0: op = "scr_getlist", f = Listing("scr", "0", who); break;
            case 1: op = "sys_getlist", f = Listing("sys", "", who); break;
            case 2:
                op = "scr_getdata", f = {{"scr_id", id}};
                AddIdentity(f, who);
                break;
            default: op = "scr_getrates", f = {{"scr_id", id}}; break;
            }
            Post(turn, clients, op, f);
        }
    }
};

// The seed scenarios the raters rate, one per installation so the publish limit does not touch them.
std::vector<int> Seed(int port, const std::string& tag, int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) {
        const TWho who{"Семя", "seed@example.org", "seed-" + tag + std::to_string(i)};
        const std::string reply = PostForm("http://127.0.0.1:" + std::to_string(port) + "/scripts/scr_putscript.php",
                                           ScriptPut(-1, "seed-" + tag + std::to_string(i), true, who));
        ids.push_back(std::stoi(Field(Rows(reply).at(0), "id_scripts")));
    }
    return ids;
}

// Everything the clients were told, read back through a living server.
void CheckStored(int port, TOutcome& o) {
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/scripts/";
    std::map<std::string, std::vector<std::string>> scripts, systems; // title -> ids
    for (const auto& row : Rows(PostForm(url + "scr_getlist.php", Listing("scr", "0"))))
        scripts[Decode64(Field(row, "title"))].push_back(Field(row, "id"));
    for (const auto& row : Rows(PostForm(url + "sys_getlist.php", Listing("sys", ""))))
        systems[Decode64(Field(row, "title"))].push_back(Field(row, "id"));
    for (const auto& [title, id] : o.Scripts) EXPECT_EQ(scripts[title], std::vector<std::string>{id}) << title;
    for (const auto& [title, id] : o.Systems) EXPECT_EQ(systems[title], std::vector<std::string>{id}) << title;
    // Stored publications per installation, acknowledged or not: never past the limit.
    std::map<std::string, int> stored;
    for (const auto& [title, ids] : scripts) stored[title.substr(0, title.rfind('-'))] += static_cast<int>(ids.size());
    for (const auto& [title, ids] : systems) stored[title.substr(0, title.rfind('-'))] += static_cast<int>(ids.size());
    for (const auto& [publisher, count] : stored)
        if (publisher.rfind("seed", 0) != 0) {
            EXPECT_LE(count, PublishLimit) << publisher;
        }
    for (const auto& [installation, count] : o.AcceptedBy) EXPECT_LE(count, PublishLimit) << installation;

    std::map<std::string, std::string> mine; // "installation/scenario" -> rating_you
    std::set<std::string> raters;
    for (const auto& [key, value] : o.Rated) raters.insert(key.substr(0, key.find('/')));
    for (const auto& installation : raters) {
        const int t = installation.back() - '0';
        const TWho who{"Оценщик", "rater" + std::to_string(t) + "@example.org", installation};
        for (const auto& row : Rows(PostForm(url + "scr_getlist.php", Listing("scr", "0", who))))
            mine[installation + "/" + Field(row, "id")] = Field(row, "rating_you");
    }
    for (const auto& [key, value] : o.Rated) EXPECT_EQ(mine[key], std::to_string(value)) << key;
}

void Report(const std::string& what, const TLoadRun& run, double seconds) {
    const double rps = run.Planned() / seconds;
    std::cout << "[ load     ] " << what << ": " << run.Planned() << " requests in " << seconds << " s, "
              << static_cast<int>(rps) << " requests per second\n";
    testing::Test::RecordProperty(what, static_cast<int>(rps));
}

void ExpectClean(TOutcome& o, bool killed) {
    EXPECT_TRUE(o.Failures.empty()) << o.Failures.size() << " failures, the first: " << o.Failures.front();
    if (!killed) {
        EXPECT_EQ(o.Unanswered, 0);
    }
    EXPECT_FALSE(o.Scripts.empty());
    EXPECT_FALSE(o.Rated.empty());
}

TEST(ServerLoadTest, SqliteOneServer) {
    TTempDir dir;
    TServerProcess server(dir.File("zorb.db"), dir.File("server.log"));
    TLoadRun run({server.Port()}, TLoad{.Tag = "s"}, Seed(server.Port(), "s", 40));
    const double seconds = run.Run({}, 0);
    Report("SQLite, one server", run, seconds);
    ExpectClean(run.Outcome, false);
    CheckStored(server.Port(), run.Outcome);
}

TEST(ServerLoadTest, PostgresOneServer) {
    TPgTestDatabase db;
    ZORB_REQUIRE_PG(db);
    TTempDir dir;
    TServerProcess server(db.ConnInfo(), dir.File("server.log"));
    TLoadRun run({server.Port()}, TLoad{.Tag = "p"}, Seed(server.Port(), "p", 40));
    const double seconds = run.Run({}, 0);
    Report("PostgreSQL, one server", run, seconds);
    ExpectClean(run.Outcome, false);
    CheckStored(server.Port(), run.Outcome);
}

TEST(ServerLoadTest, PostgresTwoServersOneKilledMidRun) {
    TPgTestDatabase db;
    ZORB_REQUIRE_PG(db);
    TTempDir dir;
    auto first = std::make_unique<TServerProcess>(db.ConnInfo(), dir.File("first.log"));
    TServerProcess second(db.ConnInfo(), dir.File("second.log"));
    {
        TLoadRun run({first->Port(), second.Port()}, TLoad{.Tag = "a"}, Seed(second.Port(), "a", 40));
        const double seconds = run.Run({}, 0);
        Report("PostgreSQL, two servers", run, seconds);
        ExpectClean(run.Outcome, false);
        CheckStored(second.Port(), run.Outcome);
    }
    TLoadRun run({first->Port(), second.Port()}, TLoad{.Tag = "b"}, Seed(second.Port(), "b", 40));
    run.Run([&] { first->Kill(); }, 0);
    ExpectClean(run.Outcome, true);
    CheckStored(second.Port(), run.Outcome);
}

} // namespace
} // namespace zorb::test
