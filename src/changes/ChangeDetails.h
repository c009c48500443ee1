#pragma once
#include <QDialog>
#include <memory>

class ShareDataModule;

namespace Ui {
class ChangeDetails;
}

// 改动内容: one entry of the change record, the row's fields before and after it side by side, the
// fields it changed marked. The row's state before comes from replaying its earlier entries.
class ChangeDetails : public QDialog
{
    Q_OBJECT
public:
    // The columns of the field table.
    enum Column { FieldColumn, BeforeColumn, AfterColumn, MarkColumn };
    static inline const QString ChangedMark = QStringLiteral("已改动");

    explicit ChangeDetails(ShareDataModule &data, QWidget *parent = nullptr);
    ~ChangeDetails() override;

    // Fills the dialog with the entry numbered `entry` and shows it; false, told, when it cannot be read.
    bool showEntry(qint64 entry);
    // Fills the dialog without showing it.
    bool load(qint64 entry);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::ChangeDetails> ui;
    ShareDataModule &m_data;
};
