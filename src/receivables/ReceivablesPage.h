#pragma once
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class DataGrid;
class FormGetPay2;
class Query;
class QAction;
class ShareDataModule;
struct FailureToTell;

namespace Ui {
class ReceivablesPage;
}

// The tab 应收应付: open receivables on the left, open payables on the right, each with its commands
// 新增, 修改 and 删除 through the dialog FormGetPay2.
class ReceivablesPage : public QWidget
{
    Q_OBJECT
public:
    enum class Side { Receivable, Payable };

    // Entries are added and changed in `dialog`.
    ReceivablesPage(ShareDataModule &data, FormGetPay2 &dialog, QWidget *parent = nullptr);
    ~ReceivablesPage() override;

    // Shows the main window's six commands (新增, 修改, 删除 of each list) and answers them.
    void bindActions(const std::array<QAction *, 3> &receivable, const std::array<QAction *, 3> &payable);

    // Reloads both lists. False when a statement failed (told); that list stays empty.
    bool LoadGetPayLists();
    // The same telling nothing: false with *failed for the caller to tell.
    bool loadLists(FailureToTell *failed);

    // The lists' own queries, on the shared connection.
    Query &ADOQueryGet();
    Query &ADOQueryPay();
    DataGrid *DBGridEh3() const;
    DataGrid *DBGridEh4() const;

    void newEntry(Side side);
    void editEntry(Side side);
    void deleteEntry(Side side);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Query &query(Side side);
    DataGrid &grid(Side side) const;
    bool loadList(Side side, const QString &statement, FailureToTell *failed);
    std::optional<qint64> selectedEntry(Side side);

    std::unique_ptr<Ui::ReceivablesPage> ui;
    std::unique_ptr<Query> m_get;
    std::unique_ptr<Query> m_pay;
    FormGetPay2 &m_dialog;
};
