#include "BooksFault.h"

#include <QtTest>

#include <sqlite3.h>

#include "ProgramFixture.h"
#include "data/Failure.h"
#include "data/ShareDataModule.h"

namespace {
void run(const QString &statement)
{
    QString error;
    if (!ShareDataModule::instance().execute(statement, &error))
        QFAIL(qPrintable(statement + QStringLiteral(": ") + error));
}
} // namespace

BooksFault::BooksFault(ProgramFixture &program, const QString &fault, const QString &table)
    : m_fault(fault)
    , m_table(table)
    , m_other(program.databasePath())
{
    if (fault == u"read-only") {
        run(QStringLiteral("PRAGMA query_only = 1"));
    } else if (fault == u"in use") {
        ShareDataModule::instance().setBusyTimeout(0);
        QCOMPARE(m_other.execute("BEGIN IMMEDIATE"), SQLITE_OK);
    } else {
        for (const char *change : {"INSERT", "UPDATE", "DELETE"})
            run(QStringLiteral("CREATE TRIGGER Refuse%1 BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, '%3'); END")
                    .arg(QLatin1String(change), table, Reason));
    }
}

void BooksFault::lift()
{
    if (std::exchange(m_lifted, true))
        return;
    if (m_fault == u"read-only") {
        run(QStringLiteral("PRAGMA query_only = 0"));
    } else if (m_fault == u"in use") {
        m_other.execute("ROLLBACK");
        ShareDataModule::instance().setBusyTimeout(ShareDataModule::DefaultBusyTimeout);
    } else {
        for (const char *change : {"INSERT", "UPDATE", "DELETE"})
            run(QStringLiteral("DROP TRIGGER Refuse%1").arg(QLatin1String(change)));
    }
}

QString BooksFault::message(const QString &what) const
{
    if (m_fault == u"read-only")
        return what + QLatin1Char('\n') + FailureSentence({.kind = EngineError::Kind::ReadOnly});
    if (m_fault == u"in use")
        return what + QLatin1Char('\n') + FailureSentence({.kind = EngineError::Kind::InUse});
    return what;
}

QString BooksFault::detail() const
{
    if (m_fault == u"read-only")
        return QStringLiteral("attempt to write a readonly database");
    if (m_fault == u"in use")
        return QStringLiteral("database is locked");
    return Reason;
}
