#include "maintenance/BackupCommands.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <optional>

#include "ui/FormProgress.h"
#include "data/Clock.h"
#include "data/DataSource.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "maintenance/BooksBackup.h"
#include "ui/Screen.h"

namespace {

const QString BackupFilter = QStringLiteral("Mdb Files (*.mdb *.MDB)");

QString withBackupSuffix(const QString &path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".mdb") : path;
}

QString suggestedBackupPath()
{
    const QString name = QStringLiteral("Orvane流水帐Ⅱ（企业版）") + JetSql::dateText(Clock::today()) + QStringLiteral(".mdb");
    const QString desktop = DesktopFolder();
    return desktop.isEmpty() ? name : desktop + QLatin1Char('/') + name;
}

QString failureText(const QString &lead, const BooksBackup::Failure &failure)
{
    return lead + QString::number(failure.number) + QStringLiteral("（") + failure.reason + QStringLiteral("）");
}

// The busy pointer and the progress window while the books are copied, so a long copy never looks
// like a frozen window.
class CopyShown
{
public:
    explicit CopyShown(FormProgress &form)
        : m_progress(form, 0)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~CopyShown() { QApplication::restoreOverrideCursor(); }

    BooksBackup::Progress tell()
    {
        return [this](int percent) { m_progress.moveTo(percent); };
    }

private:
    ProgressShown m_progress;
};

const QString SettingsSection = QStringLiteral("KalvoraSetting");
const QString KeptCopiesKey = QStringLiteral("AutoBackupDays");
// The last count told as not understood, so that each such value is told once.
const QString KeptCopiesToldKey = QStringLiteral("AutoBackupDaysTold");

// The number of automatic copies to keep as the settings give it: plain digits, a number too large to
// count keeping every copy. Nothing for a value that is not understood.
std::optional<int> keptCopies(const QString &value)
{
    if (value.isEmpty() || !std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool counted = false;
    const int count = value.toInt(&counted);
    return counted ? count : BooksBackup::KeepEvery;
}

void tellKeptCopiesNotUnderstood(const QString &value)
{
    const QString settings = ProgramPaths::settingsPath();
    // A value not understood is never "0", which therefore stands for none told yet.
    if (ReadSetting(SettingsSection, KeptCopiesToldKey, QStringLiteral("0"), settings) == value)
        return;
    Screen::current().inform(QStringLiteral("设置文件 Kalvora.ini 中 AutoBackupDays 的值“%1”无法识别，自动备份将全部保留，"
                                            "不再删除旧的。请把它改为要保留的份数（0 表示不做自动备份）。")
                                 .arg(value));
    WriteSetting(SettingsSection, KeptCopiesToldKey, value, settings);
}

} // namespace

void BackUpTheDay(FormProgress &progress)
{
    BooksBackup::removeLeftovers(ProgramPaths::databasePath());
    const QString value = ReadSetting(SettingsSection, KeptCopiesKey, QString::number(BooksBackup::DefaultKeptDays),
                                      ProgramPaths::settingsPath());
    const std::optional<int> keep = keptCopies(value);
    // A count the program cannot read must not delete copies the user meant to keep.
    if (!keep)
        tellKeptCopiesNotUnderstood(value);
    BooksBackup::Failure failure;
    std::optional<ProgressShown> shown; // only once a copy is under way
    const auto tell = [&progress, &shown](int percent) {
        if (!shown)
            shown.emplace(progress, percent);
        shown->moveTo(percent);
    };
    if (!BooksBackup::backupOfTheDay(ProgramPaths::databasePath(), Clock::today(), keep.value_or(BooksBackup::KeepEvery),
                                     &failure, tell))
        Screen::current().inform(QStringLiteral("今天的帐簿自动备份没有成功，失败号为：%1（%2）。软件照常使用，"
                                                "请用“备份数据”手动备份。")
                                     .arg(failure.number)
                                     .arg(failure.reason));
}

void SaveBooks(ShareDataModule &data, FormProgress &progress)
{
    Screen &screen = Screen::current();
    const QString chosen = screen.chooseSaveFile(QStringLiteral("备份数据"), suggestedBackupPath(), BackupFilter);
    if (chosen.isEmpty())
        return;
    BooksBackup::Failure failure;
    bool saved = false;
    {
        CopyShown shown(progress);
        saved = BooksBackup::backup(data, withBackupSuffix(chosen), &failure, shown.tell());
    }
    screen.inform(saved ? QStringLiteral("恭喜您，数据库备份成功")
                        : failureText(QStringLiteral("数据库备份失败，失败号为："), failure));
}

bool LoadBooks(ShareDataModule &data, FormProgress &progress)
{
    Screen &screen = Screen::current();
    if (!screen.ask(QStringLiteral("恢复警告"), QStringLiteral("数据库恢复将导致当前数据全部丢失，是否继续？")))
        return false;
    const QString chosen = screen.chooseOpenFile(QStringLiteral("恢复数据"), DesktopFolder(), BackupFilter);
    if (chosen.isEmpty())
        return false;
    BooksBackup::Failure failure;
    bool restored = false;
    {
        CopyShown shown(progress);
        restored = BooksBackup::restore(data, chosen, ProgramPaths::databasePath(), &failure, shown.tell());
    }
    screen.inform(restored ? QStringLiteral("恭喜您，数据库恢复成功，请重新启动软件")
                           : failureText(QStringLiteral("数据库恢复失败，失败号为："), failure));
    return restored;
}
