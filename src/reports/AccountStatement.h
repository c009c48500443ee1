#pragma once
#include <QtGlobal>

class FormProgress;
class QDate;
class Query;
class Report;
class ShareDataModule;

// 帐户月结: one line per account (every account, whatever the scope, in the order the books return
// them) for the month of `day` — balance before the month, receipts, payments, net change, balance at
// its end — and the 总合计 line, written into PrintTable through `accountLines` and printed with
// `report`, which is bound to `accountLines`, and the template Frf\AccountMonth.frf. PrintTable grows
// when it has too few rows for every account and the total line. A failure is told and nothing is
// printed.
void MoneyMonth(ShareDataModule &data, Query &accountLines, Report &report, FormProgress &progress, const QDate &day);

// The balance of the account numbered `account` before `firstDay`, from its journal records, in
// *balance, read in `sums`; false when the statement failed, which was told. The statement's only way to an
// account's opening balance.
bool AccountOpeningBalance(Query &sums, qint64 account, const QDate &firstDay, double *balance);
