#include "service/FormOnlineChat.h"

#include <QDir>
#include <QPixmap>

#include "data/ProgramPaths.h"
#include "ui/Screen.h"
#include "ui_FormOnlineChat.h"

FormOnlineChat::FormOnlineChat(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormOnlineChat>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/embedded/OnlineService.png")));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &FormOnlineChat::accept);
}

FormOnlineChat::~FormOnlineChat() = default;

void FormOnlineChat::showService()
{
    ui->Label4->setText(QStringLiteral("帐套数据文件：") + QDir::toNativeSeparators(ProgramPaths::databasePath()));
    Screen::current().runModal(*this);
}
