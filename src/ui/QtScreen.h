#pragma once
#include "ui/Screen.h"

// The real screen: QMessageBox, QDialog::exec, QFileDialog and the desktop's browser.
class QtScreen : public Screen
{
public:
    void inform(const QString &text) override;
    bool ask(const QString &caption, const QString &text) override;
    void error(const QString &text) override;
    int runModal(QDialog &dialog) override;
    QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) override;
    QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) override;
    bool openUrl(const QUrl &url) override;
};
