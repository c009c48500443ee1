#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormOnlineChat;
}

class FormOnlineChat : public QDialog
{
    Q_OBJECT
public:
    explicit FormOnlineChat(QWidget *parent = nullptr);
    ~FormOnlineChat() override;

private:
    std::unique_ptr<Ui::FormOnlineChat> ui;
};
