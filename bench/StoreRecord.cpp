// Storing one record as the entry dialog does: open "Select * From MoneyTable", append, set the fields,
// post. Its cost must not grow with the journal.
#include <QDate>

#include "Figures.h"
#include "data/Helpers.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"

namespace {

const QDate Day(2026, 12, 10);

void storeThroughProgram(int serial)
{
    Query &query = ShareDataModule::instance().ADOQueryTemp();
    if (!RunQuery(query, QStringLiteral("Select * From MoneyTable"), QStringLiteral("帐款存储失败")) || !query.append())
        qFatal("bench: cannot open the journal for appending");
    query.setField(QStringLiteral("MoneySerial"), QStringLiteral("B%1").arg(serial));
    query.setField(QStringLiteral("MoneyCreateTime"), Day);
    query.setField(QStringLiteral("MoneyRecordTime"), Day);
    query.setField(QStringLiteral("MoneyAccount"), 2);
    query.setField(QStringLiteral("MoneyUser"), QStringLiteral("客户001"));
    query.setField(QStringLiteral("MoneySum"), 123.45);
    query.setField(QStringLiteral("MoneyMan"), QStringLiteral("王芳"));
    query.setField(QStringLiteral("MoneyReason"), QStringLiteral("销售收入"));
    query.setField(QStringLiteral("MoneyType"), QStringLiteral("主营业务"));
    query.setField(QStringLiteral("MoneyToken"), QStringLiteral("发票"));
    query.setField(QStringLiteral("MoneyRemark"), QString());
    if (!query.post())
        qFatal("bench: cannot store a record: %s", qPrintable(query.lastError()));
}

void storeBare(Bare &bare, int serial)
{
    bare.read("INSERT INTO MoneyTable(MoneySerial, MoneyCreateTime, MoneyRecordTime, MoneyAccount, MoneyUser, "
              "MoneySum, MoneyMan, MoneyReason, MoneyType, MoneyToken, MoneyRemark) "
              "VALUES (?, '2026-12-10', '2026-12-10', 2, '客户001', 123.45, '王芳', '销售收入', '主营业务', '发票', '')",
              {QStringLiteral("B%1").arg(serial)});
}

} // namespace

void storeRecordFigure(Bench &bench)
{
    for (const int records : {0, bench.largest()}) {
        bench.useBooks(records);
        int serial = 0;
        Bare &bare = bench.bare();
        bench.report(QStringLiteral("store one record"), records,
                     bench.compare([&] { storeThroughProgram(++serial); }, [&] { storeBare(bare, ++serial); }));
    }
}
