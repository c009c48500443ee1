#include "accounts/AccountHouses.h"

#include "data/JetSql.h"
#include "data/MonthTotals.h"

namespace {

struct TypeLook
{
    const char *colourWord;
    const char *text;
};

// Types 3 and 4 are personal accounts, shown only when the books hold them; any other type (the
// untyped 0 of a hand-edited scope) looks like a personal cash account without words.
TypeLook lookOf(int accountType)
{
    switch (accountType) {
    case 1:
        return {"Yellow", "银行帐"};
    case 2:
        return {"Purple", "现金帐"};
    case 3:
        return {"Blue", "个人银行"};
    case 4:
        return {"Silver", "个人现金"};
    default:
        return {"Silver", ""};
    }
}

QString sumStatement(qint64 accountIndex, const QString &dayCondition)
{
    return QStringLiteral("Select ROUND(Sum(MoneySum),2) As TotalMoney From MoneyTable Where (MoneyAccount = ")
        + QString::number(accountIndex) + QStringLiteral(") And (MoneyCreateTime ") + dayCondition
        + QLatin1Char(')');
}

} // namespace

QString AccountHouses::accountsStatement(const QString &accountClause)
{
    return QStringLiteral("Select * From Account Where (AccountIndex > 1)") + accountClause
        + QStringLiteral(" Order By AccountIndex");
}

QString AccountHouses::balanceStatement(qint64 accountIndex, const QDate &day)
{
    return MonthTotals::balanceStatement(QStringLiteral("TotalMoney"), day, MonthTotals::Bound::Through,
                                         QStringLiteral(" And (AccountIndex = %1)").arg(accountIndex));
}

QString AccountHouses::monthStatement(qint64 accountIndex, const QDate &day)
{
    const QDate first(day.year(), day.month(), 1);
    const QDate last = first.addMonths(1).addDays(-1);
    return sumStatement(accountIndex, QStringLiteral("Between ") + JetSql::dateLiteral(first) + QStringLiteral(" And ")
                                          + JetSql::dateLiteral(last));
}

QString AccountHouses::picture(int accountType, double balance)
{
    if (balance < 0)
        return QStringLiteral("Res/Money-.ico");
    if (balance == 0)
        return QStringLiteral("Res/Money0.ico");
    QString name = QLatin1String(lookOf(accountType).colourWord) + QLatin1Char('+');
    if (balance > 30000)
        name += QLatin1Char('+');
    if (balance > 100000)
        name += QLatin1Char('+');
    return QStringLiteral("Res/") + name + QStringLiteral(".ico");
}

QString AccountHouses::typeText(int accountType)
{
    return QString::fromUtf8(lookOf(accountType).text);
}
