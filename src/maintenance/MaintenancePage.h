#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class MaintenancePage;
}

class MaintenancePage : public QWidget
{
    Q_OBJECT
public:
    explicit MaintenancePage(QWidget *parent = nullptr);
    ~MaintenancePage() override;

private:
    std::unique_ptr<Ui::MaintenancePage> ui;
};
