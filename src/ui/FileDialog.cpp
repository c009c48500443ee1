#include "ui/FileDialog.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace {

constexpr int DateColumn = 3; // of QFileSystemModel: name, size, type, date modified
constexpr int DatePadding = 24;

// The file list with each modification date written in the program's locale; the file system model
// itself writes them in the desktop's.
class LocalDates : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || index.column() != DateColumn || !files)
            return QIdentityProxyModel::data(index, role);
        const QDateTime modified = files->lastModified(mapToSource(index));
        return modified.isValid() ? QLocale().toString(modified, QLocale::ShortFormat) : QString();
    }
};

} // namespace

FileDialog::FileDialog(QWidget *parent, const QString &caption, const QString &place, const QString &filter)
    : QFileDialog(parent, caption, place, filter)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setProxyModel(new LocalDates(this));
    // Wide enough for the longest date, so that no date is cut.
    if (auto *list = findChild<QTreeView *>(QStringLiteral("treeView"))) {
        const QString longest = QLocale().toString(QDateTime(QDate(2026, 12, 30), QTime(23, 59)), QLocale::ShortFormat);
        list->header()->resizeSection(DateColumn, list->fontMetrics().horizontalAdvance(longest) + DatePadding);
    }
}
