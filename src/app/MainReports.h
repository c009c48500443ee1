#pragma once
#include "data/Query.h"
#include "data/WindowedQuery.h"
#include "reporting/Report.h"

class ShareDataModule;

// The main window's four report objects, each bound to its query for the program's whole run, and
// the queries of the printouts that no tab page holds.
struct MainReports
{
    MainReports(ShareDataModule &database, Query &dailyGrid);

    WindowedQuery ADOQueryReportGrid; // the report centre's query result, read as it is shown
    Query ADOQueryMonthGrid;  // every row of PrintDay
    Query ADOQueryAccount;    // the rows of PrintTable the account statement prints

    Report frReport1; // the day's records, Frf\Daily.frf
    Report frReport2; // the query result, Frf\Report.frf
    Report frReport3; // the monthly closing, Frf\MonthCount.frf
    Report frReport4; // the account statement, Frf\AccountMonth.frf
};
