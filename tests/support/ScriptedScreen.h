#pragma once
#include <QHash>
#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

#include "ui/Screen.h"

// The person at the screen, played by a test: every message is recorded in order, questions and file
// choices are answered from queues, and each modal dialog is handed to the handler the test queued for
// it (by objectName). Anything the test did not expect is recorded as unexpected.
class ScriptedScreen : public Screen
{
public:
    using DialogHandler = std::function<void(QDialog &)>;

    void inform(const QString &text) override;
    bool ask(const QString &caption, const QString &text) override;
    void error(const QString &text, const QString &detail) override;
    int runModal(QDialog &dialog) override;
    QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) override;
    QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) override;
    bool openUrl(const QUrl &url) override;
    void showWaiting(const QString &notice) override;
    void endWaiting() override;

    // Answers given in advance.
    void answer(bool yes) { m_answers.enqueue(yes); }
    void chooseFile(const QString &path) { m_files.enqueue(path); }
    void onDialog(const QString &objectName, DialogHandler handler);
    // From now on no page opens: openUrl() answers false.
    void refuseUrls() { m_urlsOpen = false; }
    // Runs `step` once, when the next wait for the books begins (another program letting go, say).
    void onWaiting(std::function<void()> step) { m_onWaiting = std::move(step); }

    // What happened. takeMessages() returns the recorded texts and forgets them; a test takes every
    // message it caused.
    QStringList takeMessages();
    QStringList takeDetails(); // the details of the error boxes, in order
    QStringList notices() const { return m_notices; } // every wait notice shown
    bool isWaiting() const { return m_waiting; }      // a wait notice is up
    QStringList questions() const { return m_questions; }
    QStringList fileDialogs() const { return m_fileDialogs; } // "caption|path or folder|filter"
    QList<QUrl> openedUrls() const { return m_urls; }
    QStringList unexpected() const { return m_unexpected; }
    bool allUsed() const; // every queued answer and handler was consumed
    // What the test did not account for: requests nobody scripted, answers never asked for and
    // messages never taken. Empty when the test saw everything it caused.
    QString leftovers() const;

private:
    void noteHeld(const QString &what);
    QString chooseFileAs(const QString &kind, const QStringList &shown);

    QStringList m_messages;
    QStringList m_details;
    QStringList m_notices;
    bool m_waiting = false;
    std::function<void()> m_onWaiting;
    bool m_urlsOpen = true;
    QStringList m_questions;
    QStringList m_fileDialogs;
    QList<QUrl> m_urls;
    QStringList m_unexpected;
    QQueue<bool> m_answers;
    QQueue<QString> m_files;
    QHash<QString, QQueue<DialogHandler>> m_handlers;
};
