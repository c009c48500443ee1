#include "copying/ServerCommands.h"

#include <QFile>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include "copying/MoveBooks.h"
#include "copying/ServerSetup.h"
#include "data/DataSource.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"
#include "ui/Screen.h"

namespace {

// What the data layer would show in a window goes to the terminal; nothing is asked there.
class TerminalScreen final : public Screen
{
public:
    void inform(const QString &text) override { tell(text); }
    bool ask(const QString &, const QString &text) override
    {
        tell(text);
        return false;
    }
    void error(const QString &text, const QString &detail) override { tell(text + QLatin1Char('\n') + detail); }
    int runModal(QDialog &) override { return 0; }
    QString chooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &, const QString &) override { return {}; }
    bool openUrl(const QUrl &) override { return false; }
    void showWaiting(const QString &notice) override { tell(notice); }
    void endWaiting() override {}

private:
    static void tell(const QString &text) { std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr); }
};

void say(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

int refuse(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
    return 1;
}

// Reads a line from the terminal without showing it; from standard input when there is no terminal.
QString askPassword(const QString &prompt)
{
    std::fputs(prompt.toUtf8().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray typed;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        typed += char(c);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    return QString::fromUtf8(typed);
}

// The server the keywords name, with the password asked when the server wants one and nothing else gives it.
bool serverFrom(const QString &conninfo, PgEngine::Server *server, QString *error)
{
    if (!ParseConninfo(conninfo, server, error))
        return false;
    if (server->password.isEmpty() && ServerWantsPassword(*server))
        server->password = askPassword(QStringLiteral("数据库用户“%1”的密码：").arg(server->user));
    return true;
}

struct TerminalInstalled
{
    explicit TerminalInstalled(Screen *screen) { Screen::install(screen); }
    ~TerminalInstalled() { Screen::install(nullptr); }
};

// The keywords with the password typed at the terminal, quoted as libpq reads a value.
QString withPassword(const QString &conninfo, const QString &password)
{
    if (password.isEmpty())
        return conninfo;
    QString quoted = password;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return conninfo + QStringLiteral(" password='") + quoted + QLatin1Char('\'');
}

// The data source and the password of this desk, for the books on `server`.
int pointAt(const PgEngine::Server &server)
{
    QString error;
    if (!RegisterServerDataSource(server, ProgramPaths::settingsPath(), &error))
        return refuse(error);
    if (!server.password.isEmpty() && !KeepServerPassword(server, &error))
        return refuse(error + QStringLiteral("数据源已改为服务器，请把密码手动写入 ") + PasswordFilePath());
    say(QStringLiteral("本机的数据源 KalvoraCmp 已改为服务器“%1”上的数据库“%2”。").arg(server.host, server.database));
    return 0;
}

int moveBooks(const QString &conninfo)
{
    PgEngine::Server server;
    QString error;
    if (!serverFrom(conninfo, &server, &error))
        return refuse(error);
    const QString books = ProgramPaths::databasePath();
    say(QStringLiteral("正在把帐簿 %1 搬到服务器上……").arg(books));
    MoveReport report;
    if (!MoveBooksToServer(books, withPassword(conninfo, server.password), &report, &error))
        return refuse(error);
    for (const QString &line : report.lines)
        say(line);
    say(QStringLiteral("帐簿已搬到服务器上。"));
    const int pointed = pointAt(server);
    say(QStringLiteral("本机的帐簿文件 %1 没有改动，留作最后一份本机副本；今后的改动只存在服务器上。").arg(books));
    return pointed;
}

int useServer(const QString &conninfo)
{
    PgEngine::Server server;
    QString error;
    if (!serverFrom(conninfo, &server, &error) || !CheckServerBooks(server, &error))
        return refuse(error);
    return pointAt(server);
}

int useLocalBooks()
{
    const QString books = ProgramPaths::databasePath();
    if (!QFile::exists(books))
        return refuse(QStringLiteral("本机没有帐簿文件 %1。").arg(books));
    if (!RegisterDataSource(QString::fromLatin1(DataSource::Name), books, QStringLiteral("流水帐企业数据库"))
        || !WriteSetting(QStringLiteral("数据库内容"), QStringLiteral("ODBC"), QStringLiteral("1"),
                         ProgramPaths::settingsPath()))
        return refuse(QStringLiteral("数据源文件 %1 无法写入，请检查它的权限。").arg(DataSource::odbcIniPath()));
    say(QStringLiteral("本机的数据源 KalvoraCmp 已改回本机的帐簿文件 %1。").arg(books));
    return 0;
}

} // namespace

std::optional<int> RunServerCommand(const QStringList &arguments, const QString &programDir)
{
    const QString command = arguments.value(0);
    const bool withServer = command == u"--move-books-to-server" || command == u"--use-server";
    if (!withServer && command != u"--use-local-books")
        return std::nullopt;
    if (arguments.size() != (withServer ? 2 : 1))
        return refuse(QStringLiteral("用法：kalvora --move-books-to-server \"host=服务器 dbname=数据库 user=用户\"\n"
                                     "      kalvora --use-server \"host=服务器 dbname=数据库 user=用户\"\n"
                                     "      kalvora --use-local-books"));
    ProgramPaths::setProgramDir(programDir);
    TerminalScreen terminal;
    const TerminalInstalled installed(&terminal);
    if (command == u"--move-books-to-server")
        return moveBooks(arguments[1]);
    if (command == u"--use-server")
        return useServer(arguments[1]);
    return useLocalBooks();
}
