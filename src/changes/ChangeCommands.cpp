#include "changes/ChangeCommands.h"

#include "changes/ChangeCheck.h"
#include "data/Clock.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "ui/FormProgress.h"
#include "ui/Screen.h"

namespace {

const QString CheckFailed = QStringLiteral("改动记录校验没有完成。");

// Runs the check with the progress window; nothing when it could not run (told).
bool runCheck(ShareDataModule &data, FormProgress &progress, ChangeCheck::Findings *found)
{
    ProgressShown shown(progress, 0);
    EngineError error;
    const bool ran = ChangeCheck(data).run([&shown](int percent) { shown.moveTo(percent); }, found, &error);
    shown.close();
    if (!ran)
        ReportFailure(CheckFailed, error);
    return ran;
}

} // namespace

void ChangeCommands::check(ShareDataModule &data, FormProgress &progress)
{
    ChangeCheck::Findings found;
    if (runCheck(data, progress, &found))
        Screen::current().inform(ChangeCheck::report(found));
}

void ChangeCommands::checkOnceADay(ShareDataModule &data, FormProgress &progress)
{
    const QString section = QStringLiteral("KalvoraSetting");
    const QString key = QStringLiteral("ChangeCheckDay");
    const QString today = JetSql::dateText(Clock::today());
    if (ReadSetting(section, key, QString(), ProgramPaths::settingsPath()) == today)
        return;
    Query count(data);
    if (!RunQuery(count, QStringLiteral("Select Count(*) As Entries From ChangeLog"), CheckFailed + QLatin1Char('\n')))
        return;
    if (count.field(QStringLiteral("Entries")).toLongLong() <= DailyCheckLimit) {
        ChangeCheck::Findings found;
        if (!runCheck(data, progress, &found))
            return;
        if (!found.holds())
            Screen::current().inform(ChangeCheck::report(found));
    }
    WriteSetting(section, key, today, ProgramPaths::settingsPath());
}
