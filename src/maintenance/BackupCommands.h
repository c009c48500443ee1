#pragma once

// The two commands of the books' backup, as the user meets them: the file dialog, the copy with its
// progress window and the message that says how it went.

class FormProgress;
class ShareDataModule;

// 备份数据: saves a copy of the books to a file the user picks.
void SaveBooks(ShareDataModule &data, FormProgress &progress);

// At start: what restores and automatic copies cut off half-way left is removed, then the copy of the
// day is taken and the automatic copies are trimmed to the count the settings ask for (AutoBackupDays).
// A failure is told and the program goes on.
void BackUpTheDay(FormProgress &progress);

// 恢复数据: after the user's word, puts a chosen backup in place of the books. True when the books were
// replaced, after which the program must end so that the next start opens the restored books.
bool LoadBooks(ShareDataModule &data, FormProgress &progress);
