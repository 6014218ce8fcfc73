// A PostgreSQL database of its own for one test, made on the cluster that ZORB_TEST_PG reaches (a libpq
// connection string with the right to create databases; scripts/test.sh sets it for a throwaway cluster) and
// dropped afterwards.
#pragma once

#include <libpq-fe.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace zorb::test {

class TPgTestDatabase {
public:
    TPgTestDatabase() {
        const char* admin = std::getenv("ZORB_TEST_PG");
        if (!admin || !*admin) return;
        FAdmin = admin;
        static std::atomic<int> counter{0};
        FName = "zorb_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        PGconn* c = Connect(FAdmin);
        Exec(c, "SET client_min_messages = warning");
        Exec(c, "DROP DATABASE IF EXISTS " + FName);
        Exec(c, "CREATE DATABASE " + FName);
        // The admin connection's own settings (host, port, user, password ...) with this database's name.
        PQconninfoOption* options = PQconninfo(c);
        for (PQconninfoOption* o = options; o && o->keyword; ++o) {
            if (!o->val || !*o->val || std::string(o->keyword) == "dbname") continue;
            FConnInfo += std::string(o->keyword) + "=" + Quote(o->val) + " ";
        }
        PQconninfoFree(options);
        PQfinish(c);
        FConnInfo += "dbname=" + FName;
    }
    ~TPgTestDatabase() {
        if (FName.empty()) return;
        PGconn* c = PQconnectdb(FAdmin.c_str());
        PQclear(PQexec(c, ("DROP DATABASE IF EXISTS " + FName + " WITH (FORCE)").c_str()));
        PQfinish(c);
    }
    TPgTestDatabase(const TPgTestDatabase&) = delete;
    TPgTestDatabase& operator=(const TPgTestDatabase&) = delete;

    bool Available() const { return !FName.empty(); }
    // A keyword string for zorb-server's --db.
    const std::string& ConnInfo() const { return FConnInfo; }

    // Ends every other session on the database, as a restart of the database server does.
    void CutConnections() const {
        PGconn* c = Connect(FAdmin);
        Exec(c, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + FName +
                    "' AND pid <> pg_backend_pid()");
        PQfinish(c);
    }

    // One value of a query on this database ("" for none).
    std::string Value(const std::string& sql) const {
        PGconn* c = Connect(FConnInfo);
        PGresult* r = PQexec(c, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
        const std::string error = PQerrorMessage(c);
        std::string v = ok && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
        PQclear(r);
        PQfinish(c);
        if (!ok) throw std::runtime_error(sql + ": " + error);
        return v;
    }

private:
    std::string FAdmin, FName, FConnInfo;

    static PGconn* Connect(const std::string& conninfo) {
        PGconn* c = PQconnectdb(conninfo.c_str());
        if (PQstatus(c) != CONNECTION_OK) {
            const std::string why = PQerrorMessage(c);
            PQfinish(c);
            throw std::runtime_error("PostgreSQL: " + why);
        }
        return c;
    }
    static void Exec(PGconn* c, const std::string& sql) {
        PGresult* r = PQexec(c, sql.c_str());
        const auto status = PQresultStatus(r);
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw std::runtime_error(sql + ": " + PQerrorMessage(c));
    }
    static std::string Quote(const std::string& v) {
        std::string q = "'";
        for (char ch : v) {
            if (ch == '\'' || ch == '\\') q += '\\';
            q += ch;
        }
        return q + "'";
    }
};

// Skips the test when no cluster is named.
#define ZORB_REQUIRE_PG(db)                                                                                            \
    if (!(db).Available()) GTEST_SKIP() << "ZORB_TEST_PG is not set (scripts/test.sh sets it)"

} // namespace zorb::test
