#include "Bench.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "app/FormMain.h"
#include "app/Program.h"
#include "copying/MoveBooks.h"
#include "data/Clock.h"
#include "data/DataSource.h"
#include "data/ProfileFile.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "ui/Screen.h"

// Nobody sits at the screen during a run: messages go to the error output, questions are answered No
// and dialogs are closed at once, so a figure that meets one shows it instead of hanging.
class ScreenLog : public Screen
{
public:
    void inform(const QString &text) override { say("message", text); }
    bool ask(const QString &caption, const QString &text) override
    {
        say("question", caption + QLatin1Char('|') + text);
        return false;
    }
    void error(const QString &text, const QString &detail) override { say("error", text + QLatin1Char('|') + detail); }
    int runModal(QDialog &) override
    {
        say("dialog", QString());
        return 0;
    }
    QString chooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &, const QString &) override { return {}; }
    bool openUrl(const QUrl &) override { return false; }
    void showWaiting(const QString &notice) override { say("wait", notice); }
    void endWaiting() override {}

private:
    static void say(const char *what, const QString &text)
    {
        std::fprintf(stderr, "bench: unexpected %s %s\n", what, qPrintable(text));
    }
};

namespace {

QString milliseconds(double value)
{
    return QString::number(value, 'f', value < 10 ? 3 : 1);
}

// The database on the server that the program's data source names while a figure runs.
const char *const ServerBooks = "kalvora_bench";

// Runs administrative statements on `database` of the server.
void runOnServer(const QString &server, const QString &database, const QString &statements)
{
    const QByteArray host = server.toUtf8(), name = database.toUtf8();
    const char *const keys[] = {"host", "dbname", "user", "client_encoding", nullptr};
    const char *const values[] = {host.constData(), name.constData(), "kalvora", "UTF8", nullptr};
    PGconn *conn = PQconnectdbParams(keys, values, 0);
    PGresult *result = PQexec(conn, statements.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        qFatal("bench: %s on the server: %s", qPrintable(statements), PQerrorMessage(conn));
    PQclear(result);
    PQfinish(conn);
}

} // namespace

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

Bench::Bench(const Options &options)
    : m_options(options)
    , m_screen(std::make_unique<ScreenLog>())
{
    if (!m_folder.isValid())
        qFatal("bench: no temporary folder");
    Screen::install(m_screen.get());
    // The built program's pictures, so that windows load them as the program does.
    QFile::link(QStringLiteral(KALVORA_DIR "/Res"), programDir() + QStringLiteral("Res"));
    // A data-source file of its own, so the user's data sources are never touched.
    qputenv("ODBCINI", QFile::encodeName(programDir() + QStringLiteral("odbc.ini")));
    if (onServer())
        registerServerBooks();
    else if (!RegisterDataSource(QString::fromLatin1(DataSource::Name), booksPath(), QStringLiteral("流水帐企业数据库")))
        qFatal("bench: cannot register the data source");
    WriteSetting(QStringLiteral("数据库内容"), QStringLiteral("ODBC"), QStringLiteral("1"),
                 programDir() + QStringLiteral("Kalvora.ini"));
    // The generated journal ends on this day; the main window's current date starts there, as on a
    // real start, so every figure meets a full journal behind the day.
    Clock::setToday(QDate(2026, 12, 10));
    m_program = std::make_unique<Program>(programDir());
    windows().main->prepareFirstShow();
}

Bench::~Bench()
{
    m_bare.reset();
    m_program.reset();
    Screen::install(nullptr);
}

const Windows &Bench::windows() const
{
    return m_program->windows();
}

QString Bench::programDir() const
{
    return m_folder.path() + QLatin1Char('/');
}

QString Bench::booksPath() const
{
    return programDir() + QStringLiteral("KalvoraCmp.mdb");
}

QString Bench::masterBooks(int records)
{
    const QString folder = m_options.generated.isEmpty() ? programDir() : m_options.generated + QLatin1Char('/');
    const QString path = folder + QStringLiteral("generated-%1.mdb").arg(records);
    if (QFile::exists(path))
        return path;
    QElapsedTimer clock;
    clock.start();
    QString error;
    if (!GenerateBooks(path, {m_options.accounts, records}, &error))
        qFatal("bench: cannot generate books: %s", qPrintable(error));
    std::printf("generated books with %d accounts and %d records in %.1f s (%.0f MB)\n", m_options.accounts,
                records, clock.nsecsElapsed() / 1e9, QFileInfo(path).size() / 1e6);
    std::fflush(stdout);
    return path;
}

void Bench::useBooks(int records)
{
    m_bare.reset();
    ShareDataModule::instance().disconnect();
    if (onServer()) {
        copyToServer(records);
        return;
    }
    const QString master = masterBooks(records);
    QFile::remove(booksPath());
    if (!QFile::copy(master, booksPath()))
        qFatal("bench: cannot copy the books");
    // The copy goes to disk now, not while the first figure is timed.
    QFile copy(booksPath());
    if (!copy.open(QIODevice::ReadWrite) || ::fsync(copy.handle()) != 0)
        qFatal("bench: cannot flush the books");
}

// Books of a size are moved to the server once, from the generated file into a template database of
// their own; each use copies that (as createdb -T does), which takes a fraction of moving them again.
void Bench::copyToServer(int records)
{
    const QString source = QStringLiteral("kalvora_bench_%1").arg(records);
    if (!m_templates.contains(records)) {
        const QString master = masterBooks(records);
        QElapsedTimer clock;
        clock.start();
        runOnServer(m_options.server, QStringLiteral("postgres"),
                    QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(source));
        runOnServer(m_options.server, QStringLiteral("postgres"),
                    QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C'").arg(source));
        MoveReport moved;
        QString error;
        if (!MoveBooksToServer(master, QStringLiteral("host=%1 dbname=%2 user=kalvora").arg(m_options.server, source),
                               &moved, &error))
            qFatal("bench: cannot move the books to the server: %s", qPrintable(error));
        runOnServer(m_options.server, source, QStringLiteral("VACUUM ANALYZE"));
        m_templates.append(records);
        std::printf("moved books with %d records to the server in %.1f s\n", records, clock.nsecsElapsed() / 1e9);
        std::fflush(stdout);
    }
    runOnServer(m_options.server, QStringLiteral("postgres"),
                QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(QLatin1String(ServerBooks)));
    runOnServer(m_options.server, QStringLiteral("postgres"),
                QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(QLatin1String(ServerBooks), source));
}

// The data source names the server's books, as the program's set-up writes it.
void Bench::registerServerBooks()
{
    ProfileFile file(programDir() + QStringLiteral("odbc.ini"), ProfileFile::Kind::UnixOdbc);
    const QString source = QString::fromLatin1(DataSource::Name);
    const QString driver = QStringLiteral("PostgreSQL Unicode");
    if (!file.write(QStringLiteral("ODBC Data Sources"), source, driver)
        || !file.write(source, {{QStringLiteral("Driver"), driver},
                                {QStringLiteral("Servername"), m_options.server},
                                {QStringLiteral("Database"), QLatin1String(ServerBooks)},
                                {QStringLiteral("Username"), QStringLiteral("kalvora")},
                                {QStringLiteral("SSLmode"), QStringLiteral("disable")}}))
        qFatal("bench: cannot register the server's books");
}

Bare &Bench::bare()
{
    if (!m_bare)
        m_bare = openBare();
    return *m_bare;
}

std::unique_ptr<Bare> Bench::openBare() const
{
    return onServer() ? Bare::onServer(m_options.server, QLatin1String(ServerBooks)) : Bare::onFile(booksPath());
}

namespace {

Timing summary(QList<double> times)
{
    std::sort(times.begin(), times.end());
    const qsizetype middle = times.size() / 2;
    const double median = times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return {median, times.first(), times.last(), int(times.size())};
}

} // namespace

Comparison Bench::compare(const std::function<void()> &program, const std::function<void()> &bare, int runs) const
{
    constexpr int Unmeasured = 3;
    const int count = qMax(1, runs > 0 ? runs : m_options.runs);
    for (int i = 0; i < Unmeasured; ++i) {
        program();
        bare();
    }
    QList<double> programTimes, bareTimes;
    QElapsedTimer clock;
    const auto timed = [&clock](const std::function<void()> &work, QList<double> &times) {
        clock.start();
        work();
        times.append(clock.nsecsElapsed() / 1e6);
    };
    for (int i = 0; i < count; ++i) {
        // Alternate which goes first, so neither always follows the other's disk flush.
        if (i % 2) {
            timed(program, programTimes);
            timed(bare, bareTimes);
        } else {
            timed(bare, bareTimes);
            timed(program, programTimes);
        }
    }
    return {summary(programTimes), summary(bareTimes)};
}

void Bench::report(const QString &figure, int records, const Comparison &times)
{
    m_lines.append({figure, records, times});
}

void Bench::printTable(const QList<Line> &file) const
{
    const char *bareName = onServer() ? "bare libpq ms median (min)" : "bare SQLite ms median (min)";
    std::printf("\n%-34s %8s %5s | %-26s | %-26s | %6s%s\n", "figure", "records", "runs",
                onServer() ? "server program ms med (min)" : "program ms median (min)", bareName, "ratio",
                file.isEmpty() ? "" : " | SQLite program ms median");
    std::printf("%s\n", QByteArray(file.isEmpty() ? 116 : 142, '-').constData());
    const auto cell = [](const Timing &t) {
        return milliseconds(t.median) + QStringLiteral(" (") + milliseconds(t.fastest) + QLatin1Char(')');
    };
    for (const Line &line : m_lines) {
        const Comparison &t = line.times;
        const double ratio = t.bare.median > 0 ? t.program.median / t.bare.median : 0;
        QString onFile;
        if (!file.isEmpty()) {
            const auto same = std::find_if(file.cbegin(), file.cend(), [&line](const Line &other) {
                return other.figure == line.figure && other.records == line.records;
            });
            onFile = QStringLiteral(" | ")
                + (same == file.cend() ? QStringLiteral("-") : milliseconds(same->times.program.median));
        }
        std::printf("%-34s %8d %5d | %-26s | %-26s | %6.2f%s\n", qPrintable(line.figure), line.records,
                    t.program.runs, qPrintable(cell(t.program)), qPrintable(cell(t.bare)), ratio, qPrintable(onFile));
    }
}
