#pragma once
#include <QPointer>

#include "ui/Screen.h"

class QLabel;

// The real screen: QMessageBox, QDialog::exec, the program's file dialogs, the desktop's opener for
// pages, and a notice over the window in front while the books are waited for.
class QtScreen : public Screen
{
public:
    void inform(const QString &text) override;
    bool ask(const QString &caption, const QString &text) override;
    void error(const QString &text, const QString &detail) override;
    int runModal(QDialog &dialog) override;
    QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) override;
    QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) override;
    bool openUrl(const QUrl &url) override;
    void showWaiting(const QString &notice) override;
    void endWaiting() override;

    // How long openUrl() lets the desktop's opener decide; one still running then has opened the page.
    static constexpr int OpenerPatience = 3000;

private:
    bool m_waiting = false;
    QPointer<QLabel> m_notice; // gone with its window, should that close first
};
