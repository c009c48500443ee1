#pragma once
#include <QString>

class Query;
struct FailureToTell;

// Runs a statement in the query; on failure shows the caller's message with what happened in the
// cashier's words (ReportFailure), leaves the query closed and returns false, after which the caller
// does nothing more.
bool RunQuery(Query &query, const QString &statement, const QString &message);
// The same telling nothing, for a step whose caller tells its failure once the work is over: false with
// *failed (`message`, what happened), the query left closed. Every row is read here, a whole table's too,
// so that no failure comes later.
bool RunQuery(Query &query, const QString &statement, const QString &message, FailureToTell *failed);

// Digits and points only, at least one character.
bool IsAmountText(const QString &text);

// The value rounded to cents (halves to even), as the shortest text: "12", "234.5", "-3.46", never "-0".
QString RoundToText(double value);

// The amount entry check on an unsigned amount text: the message of the first step it fails, or an
// empty text when the amount is acceptable.
QString AmountEntryProblem(const QString &text);

// The check of a typed text that is stored or looked up by: the message when it can be neither, or an
// empty text. A NUL character (pasted along with a text) cannot be.
QString TypedTextProblem(const QString &text);

// Converts a checked amount text. A text that still is no number (such as "1..2") is refused with a
// message and false; nothing may be stored then.
bool AmountFromText(const QString &text, double *amount);
