#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class ReportsPage;
}

class ReportsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ReportsPage(QWidget *parent = nullptr);
    ~ReportsPage() override;

private:
    std::unique_ptr<Ui::ReportsPage> ui;
};
