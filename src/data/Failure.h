#pragma once
#include <QString>

// What the engine said when a statement failed: SQLite's extended result code (0 when the data layer
// found the failure itself) and the text with it.
struct EngineError
{
    int code = 0;
    QString text;
};

// The failure in the cashier's words, saying what happened and what to do, for the failures a user
// can meet: books read-only, in use by another program, disk full, damaged, missing. Empty for a
// failure of another kind (a fault of the program or of the books' tables), which only its text
// describes.
QString FailureSentence(const EngineError &error);

// Tells the user that `what` failed: `what`, then on its own line the sentence for the failure, with
// the engine's text as the box's detail.
void ReportFailure(const QString &what, const EngineError &error);
