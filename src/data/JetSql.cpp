#include "data/JetSql.h"

#include <QRegularExpression>

namespace {

QDate parseDateLiteral(const QString &body)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})\\s*$"));
    const auto match = form.match(body);
    if (!match.hasMatch())
        return {};
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

// Index just past the quoted run that starts at `start` (a doubled quote stays inside).
qsizetype endOfQuoted(const QString &text, qsizetype start, QChar quote)
{
    qsizetype i = start + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return -1;
}

} // namespace

QString JetSql::dateText(const QDate &day)
{
    return day.toString(QLatin1String(ShortDateFormat));
}

QString JetSql::quoted(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString JetSql::dateLiteral(const QDate &day)
{
    return QLatin1Char('#') + dateText(day) + QLatin1Char('#');
}

QString JetSql::toSqlite(const QString &jet, QString *error)
{
    // SQLite reads a statement only up to a NUL character.
    if (jet.contains(QChar(0))) {
        if (error)
            *error = NulInText;
        return {};
    }
    QString out;
    out.reserve(jet.size());
    qsizetype i = 0;
    while (i < jet.size()) {
        const QChar c = jet[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = endOfQuoted(jet, i, c);
            if (end < 0) {
                if (error)
                    *error = QStringLiteral("语句中的引号不成对");
                return {};
            }
            out += QStringView(jet).mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = jet.indexOf(QLatin1Char('#'), i + 1);
            const QDate day = close < 0 ? QDate() : parseDateLiteral(jet.mid(i + 1, close - i - 1));
            if (!day.isValid()) {
                if (error)
                    *error = QStringLiteral("语句中的日期格式有误");
                return {};
            }
            out += QLatin1Char('\'') + dateText(day) + QLatin1Char('\'');
            i = close + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
