// A transfer stored through the dialog's own steps, alone and with the refresh that follows it, and the
// receivables tab's two lists over many open entries; each beside its statements replayed bare.
#include <QComboBox>
#include <QLineEdit>

#include <sqlite3.h>

#include "Figures.h"
#include "Replay.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "journal/FormDraw.h"
#include "shell/ViewContext.h"

namespace {

constexpr int OpenEntries = 10000;

// The main window as the transfer dialog sees it, without the refresh that ends a stored transfer.
class WithoutRefresh : public ViewContext
{
public:
    explicit WithoutRefresh(ViewContext &main)
        : m_main(main)
    {
    }

    QDate currentDate() const override { return m_main.currentDate(); }
    QString accountClause() const override { return m_main.accountClause(); }
    void refreshAll() override {}
    bool LoadGetPayLists() override { return true; }

private:
    ViewContext &m_main;
};

// What the user does: the dialog opens, the first account gives to the second, 确定.
void transferThrough(FormDraw &dialog)
{
    if (!dialog.prepareShowing())
        qFatal("bench: the transfer dialog did not open");
    auto *source = dialog.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    auto *target = dialog.findChild<QComboBox *>(QStringLiteral("ComboBox2"));
    if (target->count() < 2)
        qFatal("bench: the books have fewer than two accounts in scope");
    source->setCurrentIndex(0);
    target->setCurrentIndex(1);
    dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("123.45"));
    dialog.confirm();
}

int openEntryCount(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM GetPay WHERE GetPayIndex > 1", -1, &statement, nullptr);
    const int count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : 0;
    sqlite3_finalize(statement);
    return count;
}

// Tops the books' open receivables and payables up to `wanted`, about one in three a payable.
void addOpenEntries(sqlite3 *db, int wanted)
{
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO GetPay(GetPayTime, GetPayUser, GetPaySum, GetPayRemark) "
                       "VALUES (date('2026-12-10', '-' || (?1 % 900) || ' days'), '客户' || (?1 % 500), "
                       "CASE WHEN ?1 % 3 = 0 THEN -1 ELSE 1 END * ((?1 % 9973) + 0.37), '')",
                       -1, &statement, nullptr);
    for (int i = openEntryCount(db); i < wanted; ++i) {
        sqlite3_bind_int(statement, 1, i);
        if (sqlite3_step(statement) != SQLITE_DONE)
            qFatal("bench: cannot add open entries: %s", sqlite3_errmsg(db));
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("bench: cannot add open entries: %s", sqlite3_errmsg(db));
}

} // namespace

void transferFigure(Bench &bench)
{
    const ExpectedMessage stored(QStringLiteral("平调成功"));
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        const Windows &windows = bench.windows();
        WithoutRefresh quiet(*windows.main);
        FormDraw alone(*windows.data, quiet);
        compareWithReplay(bench, QStringLiteral("transfer, without refresh"), records, [&] { transferThrough(alone); });
        compareWithReplay(bench, QStringLiteral("transfer with RefreshAll"), records,
                          [&windows] { transferThrough(*windows.draw); });
    }
}

void getPayListsFigure(Bench &bench)
{
    for (const int records : {OpenEntries, bench.largest()}) {
        logInto(bench, records);
        addOpenEntries(bench.bare(), OpenEntries);
        compareWithReplay(bench, QStringLiteral("LoadGetPayLists, 10000 open"), records,
                          [&bench] { bench.windows().main->LoadGetPayLists(); });
    }
}
