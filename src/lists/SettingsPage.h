#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class SettingsPage;
}

class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsPage(QWidget *parent = nullptr);
    ~SettingsPage() override;

private:
    std::unique_ptr<Ui::SettingsPage> ui;
};
