#pragma once
#include "Bench.h"

// Every figure the benchmark can print, in the order it prints them. A figure is a function in its own
// file bench/<Name>.cpp that picks its books with bench.useBooks(), times the program's way beside the
// bare SQLite way (on bench.bare()) with bench.compare(), and adds lines with bench.report(). To add one,
// declare it here and add a line to the table.
void storeRecordFigure(Bench &bench);
void housesPageFigure(Bench &bench);
void refreshAllFigure(Bench &bench);
void firstRefreshFigure(Bench &bench);
void monthCheckFigure(Bench &bench);
void dayStepFigure(Bench &bench);
void storeThroughDialogFigure(Bench &bench);
void reportGridFigure(Bench &bench);
void transferFigure(Bench &bench);
void getPayListsFigure(Bench &bench);
void reportFigure(Bench &bench);
void backupFigure(Bench &bench);
void monthClosingFigure(Bench &bench);
void accountStatementFigure(Bench &bench);
void exportFigure(Bench &bench);
void changeRecordFigure(Bench &bench);
void twoDesksFigure(Bench &bench);
// The other desk of the two-desk figure, run by the bench in a process of its own on the server books
// its first desk uses; prints what it did on one line.
int runSecondDesk(const QString &server, int seconds);

class FormDraw;
class QComboBox;
// The transfer dialog opened for a transfer, with its giving and receiving account choosers; the books
// must have at least two accounts in scope.
struct TransferChoosers
{
    QComboBox *source;
    QComboBox *target;
};
TransferChoosers openTransfer(FormDraw &dialog);

struct Figure
{
    const char *name; // for choosing figures on the command line
    void (*run)(Bench &);
};

inline const Figure Figures[] = {
    {"store-record", storeRecordFigure},
    {"houses-page", housesPageFigure},
    {"refresh-all", refreshAllFigure},
    {"first-refresh", firstRefreshFigure},
    {"month-check", monthCheckFigure},
    {"day-step", dayStepFigure},
    {"store-dialog", storeThroughDialogFigure},
    {"report-grid", reportGridFigure},
    {"transfer", transferFigure},
    {"getpay-lists", getPayListsFigure},
    {"report", reportFigure},
    {"backup", backupFigure},
    {"month-closing", monthClosingFigure},
    {"account-statement", accountStatementFigure},
    {"export", exportFigure},
    {"change-record", changeRecordFigure},
    {"two-desks", twoDesksFigure},
};
