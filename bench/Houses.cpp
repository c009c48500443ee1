#include "Houses.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QStringList>
#include <algorithm>
#include <vector>

#include <sqlite3.h>

#include "accounts/AccountHouses.h"
#include "accounts/AccountScope.h"
#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "app/Forms.h"
#include "app/MainContext.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"

namespace {

constexpr int AllTypedAccounts = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

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

HousesTiming TimeHousesPage(const QString &booksPath, int rounds)
{
    HousesTiming timing;
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QString::number(AllTypedAccounts),
                 ProgramPaths::settingsPath());
    FormMain &main = *forms().main;
    AccountsPage &page = *main.accountsPage();
    page.resetPage();
    main.ApplyAccountScope();

    std::vector<double> program, bare;
    QElapsedTimer clock;
    for (int round = 0; round < rounds; ++round) {
        clock.start();
        page.RefreshAccountHouses();
        program.push_back(clock.nsecsElapsed() / 1e6);
    }
    for (const QFrame *house : page.findChildren<QFrame *>())
        if (house->objectName().startsWith(QLatin1String("AccountPanel")) && !house->isHidden())
            ++timing.houses;

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(booksPath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        const QString clause = AccountScope::clause(AllTypedAccounts);
        const QDate day = forms().context->currentDate();
        for (int round = 0; round < rounds; ++round) {
            clock.start();
            if (!barePage(db, clause, day))
                break;
            bare.push_back(clock.nsecsElapsed() / 1e6);
        }
    }
    sqlite3_close(db);
    timing.programMs = median(program);
    timing.bareMs = median(bare);
    return timing;
}
