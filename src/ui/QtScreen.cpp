#include "ui/QtScreen.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
// Message boxes carry the application's title, which the program leaves as the system gives it.
QString boxTitle()
{
    return QApplication::applicationName();
}

// A message box whose one button reads 确定, like every other word the program shows.
void showMessage(QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, boxTitle(), text, QMessageBox::NoButton, QApplication::activeWindow());
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
}
} // namespace

void QtScreen::inform(const QString &text)
{
    showMessage(QMessageBox::Information, text);
}

bool QtScreen::ask(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton *yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

void QtScreen::error(const QString &text)
{
    showMessage(QMessageBox::Critical, text);
}

int QtScreen::runModal(QDialog &dialog)
{
    return dialog.exec();
}

QString QtScreen::chooseOpenFile(const QString &caption, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder, filter);
}

QString QtScreen::chooseSaveFile(const QString &caption, const QString &path, const QString &filter)
{
    // The caller decides about a file of the same name; the dialog does not ask.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, path, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool QtScreen::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
