#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class ReceivablesPage;
}

class ReceivablesPage : public QWidget
{
    Q_OBJECT
public:
    explicit ReceivablesPage(QWidget *parent = nullptr);
    ~ReceivablesPage() override;

    // The open receivables and payables.
    bool LoadGetPayLists();

private:
    std::unique_ptr<Ui::ReceivablesPage> ui;
};
