#pragma once
#include <QString>

struct sqlite3;

// An independent connection on the books, as another program opens them through the data source.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &path);
    ~OtherProgram();
    OtherProgram(const OtherProgram &) = delete;
    OtherProgram &operator=(const OtherProgram &) = delete;

    // SQLite's result code; no waiting, so a lock held by the program shows as SQLITE_BUSY.
    int execute(const char *sql);
    qint64 number(const char *sql);

private:
    sqlite3 *m_db = nullptr;
};
