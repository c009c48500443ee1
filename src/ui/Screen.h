#pragma once
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

// Everything that waits for the person at the screen goes through here: message boxes, questions,
// modal dialogs, file choices, opening a page in the browser, and the notice shown while the books
// are waited for. The program installs QtScreen; tests install a scripted screen that answers in
// advance.
class Screen
{
public:
    virtual ~Screen() = default;

    // Every text shows as typed, never read as markup.
    virtual void inform(const QString &text) = 0;                       // information box, OK only, no icon
    virtual bool ask(const QString &caption, const QString &text) = 0;   // Yes/No without icon; true for Yes
    virtual void error(const QString &text, const QString &detail) = 0; // error box; detail in small print
    virtual int runModal(QDialog &dialog) = 0;                          // QDialog::Accepted or Rejected
    virtual QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) = 0;
    // Never asks before an existing file is chosen: the caller decides about replacing it.
    virtual QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) = 0;
    virtual bool openUrl(const QUrl &url) = 0; // false when nothing opened it

    // A statement waits for another program to let go of the books: the busy pointer and `notice`
    // show at once, without waiting for the event loop; endWaiting() takes both away.
    virtual void showWaiting(const QString &notice) = 0;
    virtual void endWaiting() = 0;

    static Screen &current();
    static void install(Screen *screen); // not owned; nullptr restores the Qt screen

    // Held while a unit of changes holds the books: nothing may wait for the person at the screen then,
    // since every other cashier's change would wait too. Screens assert it (the Qt screen in debug
    // builds).
    class NoDialogs
    {
    public:
        NoDialogs();
        ~NoDialogs();
        NoDialogs(const NoDialogs &) = delete;
        NoDialogs &operator=(const NoDialogs &) = delete;
    };
    static bool dialogsHeld();
};
