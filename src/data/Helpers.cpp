#include "data/Helpers.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

#include "data/Failure.h"
#include "data/Query.h"
#include "ui/Screen.h"

bool RunQuery(Query &query, const QString &statement, const QString &message)
{
    query.close();
    query.setSql(statement);
    if (query.open())
        return true;
    const EngineError error = query.lastFailure();
    query.close();
    ReportFailure(message, error);
    return false;
}

bool IsAmountText(const QString &text)
{
    const auto amountCharacter = [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'.'; };
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), amountCharacter);
}

QString RoundToText(double value)
{
    const double cents = std::nearbyint(value / 0.01); // the default rounding mode sends halves to even
    const double rounded = cents * 0.01;
    if (rounded == 0)
        return QStringLiteral("0");
    QString text = QString::number(rounded, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        const int exponent = text.mid(e + 1).toInt();
        text = text.left(e) + QLatin1Char('E') + QString::number(exponent);
    }
    return text;
}

QString AmountEntryProblem(const QString &text)
{
    if (!IsAmountText(text))
        return QStringLiteral("金额格式有误，请重新输入");
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0 && text.size() - (point + 1) > 2)
        return QStringLiteral("金额内容可能有误，请重新输入");
    return {};
}

bool AmountFromText(const QString &text, double *amount)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) {
        Screen::current().inform(QStringLiteral("“") + text + QStringLiteral("”不是有效的金额，请重新输入"));
        return false;
    }
    *amount = value;
    return true;
}
