#include "data/Helpers.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/Failure.h"
#include "data/Query.h"
#include "ui/Screen.h"

bool RunQuery(Query &query, const QString &statement, const QString &message)
{
    query.close();
    query.setSql(statement);
    // A whole table is read at its first use; a failure there is told in the same words.
    query.setLateFailureReport([message, &query] { ReportFailure(message, query.lastFailure()); });
    if (query.open())
        return true;
    const EngineError error = query.lastFailure();
    query.close();
    ReportFailure(message, error);
    return false;
}

bool RunQuery(Query &query, const QString &statement, const QString &message, FailureToTell *failed)
{
    query.close();
    query.setSql(statement);
    if (query.open()) {
        query.recordCount(); // a whole table is read now; a failure closes the query
        if (query.isOpen())
            return true;
    }
    *failed = {message, query.lastFailure()};
    query.close();
    return false;
}

bool IsAmountText(const QString &text)
{
    const auto amountCharacter = [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'.'; };
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), amountCharacter);
}

QString RoundToText(double value)
{
    // The cents of the double's exact value: times 100 in extended precision is exact (53 + 7 bits), so a
    // value just below a half cent is no tie and only a true half goes to the even cent (the default
    // rounding mode).
    static_assert(std::numeric_limits<long double>::digits >= 60, "long double must hold a double times 100");
    const long double cents = std::nearbyintl(static_cast<long double>(value) * 100);
    const double rounded = static_cast<double>(cents) / 100;
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

QString TypedTextProblem(const QString &text)
{
    if (text.contains(QChar(0)))
        return QStringLiteral("输入的内容含有看不见的空字符（多为粘贴带入），无法保存，请删除后重新输入");
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
