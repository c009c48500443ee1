#include "app/MainReports.h"

MainReports::MainReports(ShareDataModule &database, Query &dailyGrid)
    : ADOQueryReportGrid(database)
    , ADOQueryMonthGrid(database)
    , ADOQueryAccount(database)
    , frReport1(database, dailyGrid)
    , frReport2(database, ADOQueryReportGrid)
    , frReport3(database, ADOQueryMonthGrid)
    , frReport4(database, ADOQueryAccount)
{
}
