#pragma once
#include <QDate>
#include <QString>

// The condition of the report query: a run of pieces, each " And (...)", appended to the report grid's
// statement. Every typed or chosen text goes in as one quoted literal, so a value holding a quote, a
// '#', '--' or ';' finds the rows that hold it and nothing else.

// What the report dialog collected. An empty text (for a list: its first line, 所有) leaves its piece
// out, so an account or list value that is itself called 所有 can still be chosen.
struct ReportChoices
{
    bool byDate = false;
    QDate from;
    QDate to;
    bool byAmount = false;
    QString lowerAmount; // typed text, a leading "-" allowed
    QString upperAmount;
    QString account;
    QString reason;
    QString type;
    QString token;
    QString kind; // 单据类型: "所有", "财务收入单" or "财务支出单"
    QString user;
    QString remark;
    QString serial;
    QString man;
};

// Whether a typed amount bound may go into the statement: with one leading "-" removed, digits and
// points only, and a number.
bool IsAmountBound(const QString &text);

// The condition for the collected choices, pieces in their fixed order. The amount bounds must have
// passed IsAmountBound.
QString ReportConditionFor(const ReportChoices &choices);

// One account's records of the calendar month of `day`.
QString MonthAccountCondition(const QDate &day, const QString &accountName);
