#pragma once
#include <QDialog>
#include <QUrl>

#include "ui/Screen.h"

// Stands in front of the screen installed before it, for as long as it lives, and hands it everything
// a subclass does not take itself.
class ForwardingScreen : public Screen
{
public:
    ForwardingScreen()
        : m_others(Screen::current())
    {
        Screen::install(this);
    }
    ~ForwardingScreen() override { Screen::install(&m_others); }
    ForwardingScreen(const ForwardingScreen &) = delete;
    ForwardingScreen &operator=(const ForwardingScreen &) = delete;

    void inform(const QString &text) override { m_others.inform(text); }
    bool ask(const QString &caption, const QString &text) override { return m_others.ask(caption, text); }
    void error(const QString &text, const QString &detail) override { m_others.error(text, detail); }
    int runModal(QDialog &dialog) override { return m_others.runModal(dialog); }
    QString chooseOpenFile(const QString &c, const QString &f, const QString &x) override { return m_others.chooseOpenFile(c, f, x); }
    QString chooseSaveFile(const QString &c, const QString &p, const QString &x) override { return m_others.chooseSaveFile(c, p, x); }
    bool openUrl(const QUrl &url) override { return m_others.openUrl(url); }
    void showWaiting(const QString &notice) override { m_others.showWaiting(notice); }
    void endWaiting() override { m_others.endWaiting(); }

protected:
    Screen &others() { return m_others; }

private:
    Screen &m_others;
};
