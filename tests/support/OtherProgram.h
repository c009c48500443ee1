#pragma once
#include <QString>
#include <thread>

struct sqlite3;
struct pg_conn;
class ProgramFixture;

// An independent connection on the books, as another program opens them through the data source.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &path); // a books file
    explicit OtherProgram(const ProgramFixture &program); // the program's books, a file or on the test server
    ~OtherProgram();
    OtherProgram(const OtherProgram &) = delete;
    OtherProgram &operator=(const OtherProgram &) = delete;

    // SQLite's result code (on a server: SQLITE_OK or SQLITE_ERROR); no waiting, so a lock held by the
    // program shows as SQLITE_BUSY on a file.
    int execute(const char *sql);
    qint64 number(const char *sql);
    // The engine's text of the last execute() that failed.
    QString lastError() const { return m_lastError; }

    // On a server, so that two cashiers' changes meet half way without any timing: from another thread,
    // as soon as `program`'s session waits for a lock, runs `sql` here. finish() waits for that and
    // gives execute()'s result. Called before the program's step that is to wait.
    void executeOnceWaitedFor(ProgramFixture &program, const QByteArray &sql);
    int finish();

private:
    std::thread m_background;
    int m_backgroundResult = 0;
    QString m_lastError;
    sqlite3 *m_db = nullptr;
    pg_conn *m_server = nullptr;
};
