#include "data/DeliveredBooks.h"

QString DeliveredBooks::rowsStatement()
{
    QString sql = QStringLiteral(
        "INSERT INTO Account(AccountIndex, AccountName, AccountType) VALUES (1, '', 0);"
        "INSERT INTO GetPay(GetPayIndex, GetPayTime, GetPayUser, GetPaySum, GetPayRemark) VALUES (1, NULL, '', 0, '');"
        "INSERT INTO Power(PowerName, PowerKey) VALUES ('管理员', ''), ('出纳', ''), ('修改', '');"
        "INSERT INTO PrintTable(PrintIndex, PrintEnable) VALUES ");
    for (int i = 1; i <= PrintTableRows; ++i)
        sql += QStringLiteral("(%1,0)").arg(i) + QLatin1Char(i < PrintTableRows ? ',' : ';');
    sql += QStringLiteral("INSERT INTO PrintDay(DayName, DayGetNum, DayGetSum, DayPayNum, DayPaySum, DayCount) VALUES ");
    for (int i = 1; i <= PrintDayRows; ++i)
        sql += QStringLiteral("('--------',0,0,0,0,0)") + QLatin1Char(i < PrintDayRows ? ',' : ';');
    return sql;
}

QString DeliveredBooks::amountIndexStatement()
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON MoneyTable(MoneySum DESC, MoneyCreateTime, MoneyAccount);")
        .arg(QLatin1String(AmountIndexName));
}
