#pragma once
#include <QDate>
#include <QString>

// Statements are written in the Access (Jet) dialect and turned into SQLite just before they run.
namespace JetSql {

// The fixed short date form used for every date the program shows or writes.
inline constexpr const char *ShortDateFormat = "yyyy-MM-dd";

QString dateText(const QDate &day);

// A text value between single quotes, with every ' doubled so the value stays one literal.
QString quoted(const QString &text);

// A date literal: #yyyy-MM-dd#.
QString dateLiteral(const QDate &day);

// Turns #...# date literals outside quoted texts into ISO text literals; everything else passes.
// Returns an empty string and sets *error when a date literal is malformed or a quote is unclosed.
QString toSqlite(const QString &jet, QString *error = nullptr);

} // namespace JetSql
