#pragma once
#include <QDate>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "ScriptedScreen.h"

class FormMain;
class Program;
class Query;
struct Windows;

// A program in a temporary folder: fresh delivered books, the pictures, a private data-source file
// (ODBCINI), a scripted screen, today pinned, and every window created in start-up order.
// The main window is shown, so its first-show steps (data-source registration, today, login tab) ran.
class ProgramFixture
{
public:
    static inline const QDate Today{2026, 12, 10};

    enum class Start { Shown, NotStarted };
    explicit ProgramFixture(Start start = Start::Shown);
    // A second program, shown, on the server books `serverBooks` of another fixture; they stay when it ends.
    explicit ProgramFixture(const QString &serverBooks);
    ~ProgramFixture();

    // Starts the program: creates every window and shows the main window. Called again, it ends the
    // running program first, as a restart on the same folder.
    void start();
    // Closes every window and starts again on the same folder, as the next start of the program.
    void restart();

    // Logs in with the delivered empty password. The cashier's account-book chooser goes to `chooser`;
    // without one it is closed with its close box.
    void loginAsCashier(ScriptedScreen::DialogHandler chooser = {});
    void loginAsAdministrator();
    // A chooser handler that clicks one of its pictures: "Image5" 企业总帐簿, "Image1" 企业银行帐,
    // "Image2" 企业现金帐.
    static ScriptedScreen::DialogHandler pickBook(const QString &picture);

    QString folder() const; // ends with '/'
    QString settingsPath() const;
    QString databasePath() const;
    QString odbcIniPath() const;
    ScriptedScreen &screen() { return m_screen; }
    FormMain &main();
    // Every window of the running program.
    const Windows &windows() const;

    // Runs a statement in the scratch query and returns it, for checking stored rows.
    Query &select(const QString &statement);
    // Stores a row through the data layer, as the program does: ("Account", {{"AccountName","x"}...}).
    qint64 insert(const QString &table, const QList<std::pair<QString, QVariant>> &fields);

    // The database of the books on the test server; empty when they are a file.
    QString serverBooks() const { return m_serverBooks; }
    // Cuts the program off from its server books as a stopped server or a dropped network does: its
    // sessions there end and no new one is let in, until it is let in again (`reachable`). The tests'
    // other programs keep their sessions.
    void setServerReachable(bool reachable);

private:
    void createBooks();
    void open(Start start);

    QTemporaryDir m_dir;
    QString m_serverBooks;
    bool m_ownsBooks = true;
    QByteArray m_oldOdbcIni;
    ScriptedScreen m_screen;
    std::unique_ptr<Program> m_program;
};
