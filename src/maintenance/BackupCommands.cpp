#include "maintenance/BackupCommands.h"

#include <QApplication>
#include <QFileInfo>

#include "ui/FormProgress.h"
#include "data/Clock.h"
#include "data/DataSource.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
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

} // namespace

void SaveBooks(FormProgress &progress)
{
    Screen &screen = Screen::current();
    const QString chosen = screen.chooseSaveFile(QStringLiteral("备份数据"), suggestedBackupPath(), BackupFilter);
    if (chosen.isEmpty())
        return;
    BooksBackup::Failure failure;
    bool saved = false;
    {
        CopyShown shown(progress);
        saved = BooksBackup::backup(ShareDataModule::instance(), withBackupSuffix(chosen), &failure, shown.tell());
    }
    screen.inform(saved ? QStringLiteral("恭喜您，数据库备份成功")
                        : failureText(QStringLiteral("数据库备份失败，失败号为："), failure));
}

bool LoadBooks(FormProgress &progress)
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
        restored = BooksBackup::restore(ShareDataModule::instance(), chosen, ProgramPaths::databasePath(), &failure,
                                        shown.tell());
    }
    screen.inform(restored ? QStringLiteral("恭喜您，数据库恢复成功，请重新启动软件")
                           : failureText(QStringLiteral("数据库恢复失败，失败号为："), failure));
    return restored;
}
