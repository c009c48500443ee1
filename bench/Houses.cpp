#include "Figures.h"

#include <algorithm>

#include <sqlite3.h>

#include "accounts/AccountHouses.h"
#include "accounts/AccountScope.h"
#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"

namespace {

constexpr int AllTypedAccounts = 7;

// Runs one translated statement to its end, as the program reads every row at once.
bool stepThrough(sqlite3 *db, const QString &jet, QList<qint64> *firstColumn = nullptr)
{
    sqlite3_stmt *statement = nullptr;
    const QByteArray text = JetSql::toSqlite(jet).toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK)
        return false;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        if (firstColumn)
            firstColumn->append(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

// The statements of one page: the account list, then balance and month figure of the first twelve.
bool barePage(sqlite3 *db, const QString &clause, const QDate &day)
{
    QList<qint64> accounts;
    if (!stepThrough(db, AccountHouses::accountsStatement(clause), &accounts))
        return false;
    for (qsizetype i = 0; i < std::min<qsizetype>(accounts.size(), AccountsPage::HousesPerPage); ++i) {
        if (!stepThrough(db, AccountHouses::balanceStatement(accounts[i], day))
            || !stepThrough(db, AccountHouses::monthStatement(accounts[i], day)))
            return false;
    }
    return true;
}

} // namespace

void housesPageFigure(Bench &bench)
{
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QString::number(AllTypedAccounts),
                 ProgramPaths::settingsPath());
    for (const int records : {0, bench.largest()}) {
        bench.useBooks(records);
        FormMain &main = *bench.windows().main;
        AccountsPage &page = *main.accountsPage();
        page.resetPage();
        main.ApplyAccountScope();
        const QString clause = AccountScope::clause(AllTypedAccounts);
        const QDate day = main.currentDate();
        sqlite3 *db = bench.bare();
        bench.report(QStringLiteral("one page of twelve houses"), records,
                     bench.compare([&] { page.RefreshAccountHouses(); }, [&] { barePage(db, clause, day); }));
    }
}
