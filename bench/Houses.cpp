#include "Figures.h"

#include <algorithm>

#include "accounts/AccountHouses.h"
#include "shell/AccountScope.h"
#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"

namespace {

constexpr int AllTypedAccounts = 7;

// Runs one translated statement to its end, as the program reads every row at once.
void stepThrough(Bare &bare, const QString &jet, QList<qint64> *firstColumn = nullptr)
{
    bare.read(bare.dialect(jet).toUtf8(), {}, INT_MAX, firstColumn);
}

// The statements of one page: the account list, then balance and month figure of the first twelve.
void barePage(Bare &bare, const QString &clause, const QDate &day)
{
    QList<qint64> accounts;
    stepThrough(bare, AccountHouses::accountsStatement(clause), &accounts);
    for (qsizetype i = 0; i < std::min<qsizetype>(accounts.size(), AccountsPage::HousesPerPage); ++i) {
        stepThrough(bare, AccountHouses::balanceStatement(accounts[i], day));
        stepThrough(bare, AccountHouses::monthStatement(accounts[i], day));
    }
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
        Bare &bare = bench.bare();
        bench.report(QStringLiteral("one page of twelve houses"), records,
                     bench.compare([&] { page.RefreshAccountHouses(); }, [&] { barePage(bare, clause, day); }));
    }
}
