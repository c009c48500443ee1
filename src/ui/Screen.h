#pragma once
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

// Everything that waits for the person at the screen goes through here: message boxes, questions,
// modal dialogs, file choices and opening a page in the browser. The program installs QtScreen;
// tests install a scripted screen that answers in advance.
class Screen
{
public:
    virtual ~Screen() = default;

    virtual void inform(const QString &text) = 0;                     // information box, OK only
    virtual bool ask(const QString &caption, const QString &text) = 0; // Yes/No without icon; true for Yes
    virtual void error(const QString &text) = 0;                      // error box
    virtual int runModal(QDialog &dialog) = 0;                        // QDialog::Accepted or Rejected
    virtual QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) = 0;
    // Never asks before an existing file is chosen: the caller decides about replacing it.
    virtual QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) = 0;
    virtual bool openUrl(const QUrl &url) = 0;

    static Screen &current();
    static void install(Screen *screen); // not owned; nullptr restores the Qt screen
};
