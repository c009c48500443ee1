#pragma once
#include <QObject>
#include <QString>
#include <memory>

#include "data/Query.h"

struct sqlite3;

// The one database connection and the two scratch queries every command runs its statements in.
// The connection opens at the first statement, finds its file through the registered data source and
// never creates a missing file.
class ShareDataModule : public QObject
{
    Q_OBJECT
public:
    explicit ShareDataModule(QObject *parent = nullptr);
    ~ShareDataModule() override;

    static ShareDataModule &instance();

    Query &ADOQueryTemp() { return *m_temp; }
    Query &ADOQueryTemp2() { return *m_temp2; }

    // Opens the connection if needed; nullptr with *error set when the books cannot be reached.
    sqlite3 *ADOConnection1(QString *error);
    void disconnect(); // closes the file, for a restore that replaces it

    // Runs a statement that returns no rows (PRAGMA, BEGIN, COMMIT...). Used by the data layer only.
    bool execute(const QString &sqliteStatement, QString *error);

private:
    sqlite3 *m_connection = nullptr;
    std::unique_ptr<Query> m_temp;
    std::unique_ptr<Query> m_temp2;
};

// Begins a transaction and rolls it back unless commit() succeeded, for changes that go together.
class Transaction
{
public:
    explicit Transaction(ShareDataModule &database);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    QString lastError() const { return m_error; }
    bool commit();

private:
    ShareDataModule &m_db;
    bool m_active = false;
    QString m_error;
};
