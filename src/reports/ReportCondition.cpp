#include "reports/ReportCondition.h"

#include <algorithm>

#include "data/Helpers.h"
#include "data/JetSql.h"

namespace {

const QString All = QStringLiteral("所有");

QString piece(const QString &inside)
{
    return QStringLiteral(" And (") + inside + QLatin1Char(')');
}

QString equalsPiece(const char *field, const QString &chosen)
{
    if (chosen.isEmpty())
        return {};
    return piece(QLatin1String(field) + QStringLiteral(" = ") + JetSql::quoted(chosen));
}

QString containsPiece(const char *field, const QString &typed)
{
    if (typed.isEmpty())
        return {};
    return piece(QStringLiteral("InStr(") + QLatin1String(field) + QLatin1Char(',') + JetSql::quoted(typed)
                 + QLatin1Char(')'));
}

// The days between the two ends, whichever end was entered first.
QString datePiece(const QDate &from, const QDate &to)
{
    return piece(QStringLiteral("MoneyCreateTime Between ") + JetSql::dateLiteral(std::min(from, to))
                 + QStringLiteral(" And ") + JetSql::dateLiteral(std::max(from, to)));
}

QString boundPiece(const char *comparison, const QString &bound)
{
    if (bound.isEmpty())
        return {};
    return piece(QStringLiteral("ABS(MoneySum) ") + QLatin1String(comparison) + QLatin1Char(' ') + bound);
}

QString kindPiece(const QString &kind)
{
    if (kind == All)
        return {};
    return piece(kind == u"财务收入单" ? QStringLiteral("MoneySum > 0") : QStringLiteral("MoneySum < 0"));
}

} // namespace

bool IsAmountBound(const QString &text)
{
    const QString unsignedText = text.startsWith(QLatin1Char('-')) ? text.mid(1) : text;
    bool isNumber = false;
    unsignedText.toDouble(&isNumber);
    return IsAmountText(unsignedText) && isNumber;
}

QString ReportConditionFor(const ReportChoices &choices)
{
    QString condition;
    if (choices.byDate)
        condition += datePiece(choices.from, choices.to);
    if (choices.byAmount)
        condition += boundPiece("<", choices.upperAmount).prepend(boundPiece(">", choices.lowerAmount));
    condition += equalsPiece("AccountName", choices.account);
    condition += equalsPiece("MoneyReason", choices.reason);
    condition += equalsPiece("MoneyType", choices.type);
    condition += equalsPiece("MoneyToken", choices.token);
    condition += kindPiece(choices.kind);
    condition += containsPiece("MoneyUser", choices.user);
    condition += containsPiece("MoneyRemark", choices.remark);
    condition += containsPiece("MoneySerial", choices.serial);
    condition += containsPiece("MoneyMan", choices.man);
    return condition;
}

QString MonthAccountCondition(const QDate &day, const QString &accountName)
{
    const QDate first(day.year(), day.month(), 1);
    return datePiece(first, first.addMonths(1).addDays(-1))
        + piece(QStringLiteral("AccountName = ") + JetSql::quoted(accountName));
}
