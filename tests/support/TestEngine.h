#pragma once
#include <QString>

struct pg_conn;

// Which engine the tests run on. CTest runs every test program twice: on books files, and with
// KALVORA_TEST_ENGINE=postgresql on a throwaway server cluster whose socket folder is written in the
// file KALVORA_TEST_PGENV names (scripts/pg-test-cluster.sh).
namespace TestEngine {
bool onServer();
// The socket folder of the test cluster; empty when the tests run on files.
QString serverHost();

// Fresh delivered books on the test cluster, as a new database made from the cluster's template;
// the database's name, or empty with *error set.
QString createServerBooks(QString *error);
// A new database on the test cluster without any tables, created in `locale`; its name, or empty
// with *error set. Dropped with dropServerBooks.
QString createEmptyServerDatabase(QString *error, const QString &locale = QStringLiteral("C"));
// Drops books made by createServerBooks, closing any connection still on them.
void dropServerBooks(const QString &database);
// Runs administrative statements on the cluster's postgres database; false with *error set.
bool runOnServer(const QString &statements, QString *error);
// Cuts the program off from the server books `database` as a stopped server or a dropped network does:
// its sessions there end and no new one is let in, until they are let in again (`reachable`). The
// tests' other programs keep their sessions.
bool setServerReachable(const QString &database, bool reachable, QString *error);

// A connection of its own to server books, for the tests' other program; the caller PQfinish()es it.
pg_conn *connectToServer(const QString &database);

// Writes the data source of server books into the unixODBC file `odbcIni`.
bool registerServerBooks(const QString &odbcIni, const QString &database);
} // namespace TestEngine

// For cases that only make sense on one engine: file faults on books files, server faults on a server.
#define SKIP_ON_SERVER(why)                                                                                 \
    do {                                                                                                   \
        if (TestEngine::onServer())                                                                        \
            QSKIP("books on a server: " why);                                                              \
    } while (false)
#define SKIP_ON_FILE(why)                                                                                   \
    do {                                                                                                   \
        if (!TestEngine::onServer())                                                                       \
            QSKIP("books in a file: " why);                                                                \
    } while (false)
