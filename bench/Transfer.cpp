// A transfer stored through the dialog's own steps, alone and with the refresh that follows it, and the
// receivables tab's two lists over many open entries; each beside its statements replayed bare.
#include <QComboBox>
#include <QDate>
#include <QLineEdit>

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
    const TransferChoosers choosers = openTransfer(dialog);
    choosers.source->setCurrentIndex(0);
    choosers.target->setCurrentIndex(1);
    dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("123.45"));
    dialog.confirm();
}

// Tops the books' open receivables and payables up to `wanted`, about one in three a payable.
void addOpenEntries(Bare &bare, int wanted)
{
    const QDate last(2026, 12, 10);
    bare.begin();
    const auto insert = bare.prepare("INSERT INTO GetPay(GetPayTime, GetPayUser, GetPaySum, GetPayRemark) "
                                     "VALUES (?, ?, ?, '')");
    for (int i = int(bare.read("SELECT count(*) FROM GetPay WHERE GetPayIndex > 1")); i < wanted; ++i)
        insert->run({last.addDays(-(i % 900)).toString(Qt::ISODate), QStringLiteral("客户%1").arg(i % 500),
                     (i % 3 == 0 ? -1 : 1) * ((i % 9973) + 0.37)});
    bare.commit();
}

} // namespace

TransferChoosers openTransfer(FormDraw &dialog)
{
    if (!dialog.prepareShowing())
        qFatal("bench: the transfer dialog did not open");
    TransferChoosers choosers{dialog.findChild<QComboBox *>(QStringLiteral("ComboBox1")),
                              dialog.findChild<QComboBox *>(QStringLiteral("ComboBox2"))};
    if (choosers.target->count() < 2)
        qFatal("bench: the books have fewer than two accounts in scope");
    return choosers;
}

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
