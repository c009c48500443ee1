#pragma once
#include <QString>

// What the cashier waits for in the journal, in the running program beside the very statements the
// program ran, replayed alone on SQLite.
struct JournalTiming
{
    double programMs = 0; // median of the rounds
    double bareMs = 0;    // the same statements prepared and stepped on SQLite alone, median
    int statements = 0;   // statements the program ran in one round
};

// All of these run in the running program (every window created, the data source registered) whose
// books are the file at `booksPath`, in the company ledger (scope 5) with the left panel enabled.

// RefreshAll, as after a cashier's login: the houses, the daily journal and the lists.
JournalTiming TimeRefreshAll(const QString &booksPath, int rounds);
// One step of the current date (alternately forward and back), with the refresh it runs.
JournalTiming TimeDayStep(const QString &booksPath, int rounds);
// One new income record through the entry dialog: its showing, 确定, the store and the refresh.
JournalTiming TimeStoreRecord(const QString &booksPath, int rounds);

// The record grid over every record of the books, as the report grid opens it.
struct GridLoad
{
    int rows = 0;
    double openMs = 0;       // opening the statement, reading every row, building the columns
    double megabytes = 0;    // growth of the resident memory while the rows are held
};
GridLoad TimeWholeRecordGrid();
