#include "BooksFault.h"

#include <QtTest>

#include <sqlite3.h>

#include "ProgramFixture.h"
#include "TestEngine.h"
#include "data/Failure.h"
#include "data/ShareDataModule.h"

namespace {
void run(const QString &statement)
{
    QString error;
    if (!ShareDataModule::instance().execute(statement, &error))
        QFAIL(qPrintable(statement + QStringLiteral(": ") + error));
}

const char *const Changes[] = {"INSERT", "UPDATE", "DELETE"};

// Each fault as the engine of the books makes it.
void makeReadOnly(bool on)
{
    if (TestEngine::onServer())
        run(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION %1").arg(on ? u"READ ONLY" : u"READ WRITE"));
    else
        run(QStringLiteral("PRAGMA query_only = %1").arg(on ? 1 : 0));
}

void refuseChanges(const QString &table)
{
    if (TestEngine::onServer()) {
        run(QStringLiteral("CREATE FUNCTION refuse_change() RETURNS trigger LANGUAGE plpgsql AS"
                           " $$BEGIN RAISE EXCEPTION '%1'; END$$")
                .arg(BooksFault::Reason));
        run(QStringLiteral("CREATE TRIGGER RefuseChange BEFORE INSERT OR UPDATE OR DELETE ON %1"
                           " FOR EACH ROW EXECUTE FUNCTION refuse_change()")
                .arg(table));
        return;
    }
    for (const char *change : Changes)
        run(QStringLiteral("CREATE TRIGGER Refuse%1 BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, '%3'); END")
                .arg(QLatin1String(change), table, BooksFault::Reason));
}

void acceptChanges(const QString &table)
{
    if (TestEngine::onServer()) {
        run(QStringLiteral("DROP TRIGGER RefuseChange ON %1").arg(table));
        run(QStringLiteral("DROP FUNCTION refuse_change()"));
        return;
    }
    for (const char *change : Changes)
        run(QStringLiteral("DROP TRIGGER Refuse%1").arg(QLatin1String(change)));
}
} // namespace

BooksFault::BooksFault(ProgramFixture &program, const QString &fault, const QString &table)
    : m_fault(fault)
    , m_table(table)
    , m_other(program)
{
    if (fault == u"read-only") {
        makeReadOnly(true);
    } else if (fault == u"in use") {
        ShareDataModule::instance().setBusyTimeout(0);
        // On a server, every table the program writes is held the way a long change holds it.
        QCOMPARE(m_other.execute(TestEngine::onServer()
                                     ? "BEGIN; LOCK TABLE Account, MoneyTable, GetPay, Parameter, Power, PrintTable,"
                                       " PrintDay IN SHARE MODE"
                                     : "BEGIN IMMEDIATE"),
                 SQLITE_OK);
    } else {
        refuseChanges(table);
    }
}

void BooksFault::lift()
{
    if (std::exchange(m_lifted, true))
        return;
    if (m_fault == u"read-only") {
        makeReadOnly(false);
    } else if (m_fault == u"in use") {
        m_other.execute("ROLLBACK");
        ShareDataModule::instance().setBusyTimeout(ShareDataModule::DefaultBusyTimeout);
    } else {
        acceptChanges(m_table);
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

QString BooksFault::detail(const QString &change) const
{
    if (m_fault == u"read-only")
        return TestEngine::onServer() ? QStringLiteral("cannot execute %1 in a read-only transaction").arg(change)
                                      : QStringLiteral("attempt to write a readonly database");
    if (m_fault == u"in use")
        return TestEngine::onServer() ? QStringLiteral("canceling statement due to lock timeout")
                                      : QStringLiteral("database is locked");
    return Reason;
}
