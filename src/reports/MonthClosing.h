#pragma once

class FormProgress;
class QDate;
class Query;
class Report;
class ShareDataModule;

// 财务月结: sums up the month of `day` day by day into PrintDay (a row for every day in order, filler
// rows after the last day, the total row last) through `monthGrid`, then prints it with `report`,
// which is bound to `monthGrid`, and the template Frf\MonthCount.frf. PrintDay grows when it has too
// few rows to list every day and the total. A failure is told and nothing is printed.
void ResearchReport(ShareDataModule &data, Query &monthGrid, Report &report, FormProgress &progress, const QDate &day);
