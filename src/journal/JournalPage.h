#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class JournalPage;
}

class JournalPage : public QWidget
{
    Q_OBJECT
public:
    explicit JournalPage(QWidget *parent = nullptr);
    ~JournalPage() override;

    // The day's records with the balances before and after the day.
    bool LoadDailyGrid();

private:
    std::unique_ptr<Ui::JournalPage> ui;
};
