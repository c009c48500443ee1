#pragma once
#include <QString>

// What the engine said when a statement failed: the kind of failure in the program's terms, the
// engine's own result code and the text with it. A failure the data layer found itself (kind Found)
// carries code 0 and a text already in Chinese.
struct EngineError
{
    enum class Kind {
        Found,       // found by the data layer, told in its text
        ReadOnly,    // the books may be read but not changed
        InUse,       // another program holds the books
        DiskFull,
        DiskFault,   // reading or writing the disk failed
        Damaged,     // the books are not whole, or not a database at all
        Unreachable, // the books are not where the data source says, or cannot be opened
        Conflict,    // two cashiers' changes met half way and the server broke one off: run it again
        Duplicate,   // a name that must be unique is taken, by another cashier just now
        Unlinked,    // a record and its account came apart: one of them was deleted by another cashier
        Other,       // a fault of the program or of the books' tables: only the text describes it
    };

    int code = 0;
    QString text;
    Kind kind = Kind::Found;
    bool onServer = false; // the books are on a database server, which only its administrator can mend
};

// A failure kept to be told once the work that met it is over: `what` failed with `error`. An empty
// `what` stands for a failure its step told itself.
struct FailureToTell
{
    QString what;
    EngineError error;
};

// The connection to the books' server broke off, or cannot be made again, in the middle of work: the
// last change may or may not have been stored. The server engine's text for a lost connection, and
// what ReportFailure tells whenever the server cannot be reached.
inline const QString LostConnectionSentence = QStringLiteral(
    "与数据库服务器的连接已断开，最后一步操作可能没有保存。请检查网络和服务器，然后重新打开窗口查看数据后再试。");

// The failure in the cashier's words, saying what happened and what to do, for the failures a user
// can meet: books read-only, in use by another program, disk full, damaged, missing; for books on a
// server, what the cashier can do there. Empty for a
// failure of another kind (a fault of the program or of the books' tables), which only its text
// describes.
QString FailureSentence(const EngineError &error);

// Tells the user that `what` failed: `what`, then on its own line the sentence for the failure, with
// the engine's text as the box's detail. When the books' server cannot be reached now, whatever the
// statement met, the lost connection alone is told, as no heading of a step can say what was stored.
void ReportFailure(const QString &what, const EngineError &error);
// The same for a failure kept to be told; nothing for one its step told itself.
void ReportFailure(const FailureToTell &failed);
