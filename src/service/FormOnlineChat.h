#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormOnlineChat;
}

// The support window: how to get help, and where the books lie so a technician can find them.
// It only shows; nothing is sent anywhere.
class FormOnlineChat : public QDialog
{
    Q_OBJECT
public:
    explicit FormOnlineChat(QWidget *parent = nullptr);
    ~FormOnlineChat() override;

    // Shows the window modally with the current location of the books.
    void showService();

private:
    std::unique_ptr<Ui::FormOnlineChat> ui;
};
