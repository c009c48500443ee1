#include "service/FormOnlineChat.h"

#include "ui_FormOnlineChat.h"

FormOnlineChat::FormOnlineChat(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormOnlineChat>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormOnlineChat::~FormOnlineChat() = default;
