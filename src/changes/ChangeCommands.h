#pragma once
#include <QtGlobal>

class FormProgress;
class ShareDataModule;

// The commands of the change record that are not a window of their own.
namespace ChangeCommands {

// Entries a check at login goes through at most: the benchmark measured 2.1 s for 100,000 entries on
// a busy two-core machine. Larger records are checked by 校验改动记录 when the administrator chooses.
inline constexpr qint64 DailyCheckLimit = 100000;

// 校验改动记录: the whole check behind the progress window, then what it found, told.
void check(ShareDataModule &data, FormProgress &progress);
// At the first login of each day: the check when the record is small enough, told only when it finds
// something.
void checkOnceADay(ShareDataModule &data, FormProgress &progress);

} // namespace ChangeCommands
