#include "ui/FileDialog.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace {

// Of QFileSystemModel: name, size, type, date modified.
constexpr int SizeColumn = 1;
constexpr int DateColumn = 3;
constexpr int DatePadding = 24;

// The file list with each file's size and modification date written in the program's locale; the
// file system model itself writes them in the desktop's.
class LocaleColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || !files)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex file = mapToSource(index);
        if (index.column() == SizeColumn && !files->isDir(file))
            return QLocale().formattedDataSize(files->size(file));
        if (index.column() == DateColumn) {
            const QDateTime modified = files->lastModified(file);
            return modified.isValid() ? QLocale().toString(modified, QLocale::ShortFormat) : QString();
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

FileDialog::FileDialog(QWidget *parent, const QString &caption, const QString &place, const QString &filter)
    : QFileDialog(parent, caption, place, filter)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setProxyModel(new LocaleColumns(this));
    // Wide enough for the longest date, so that no date is cut.
    if (auto *list = findChild<QTreeView *>(QStringLiteral("treeView"))) {
        const QString longest = QLocale().toString(QDateTime(QDate(2026, 12, 30), QTime(23, 59)), QLocale::ShortFormat);
        list->header()->resizeSection(DateColumn, list->fontMetrics().horizontalAdvance(longest) + DatePadding);
    }
}
