#include "Bench.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "app/FormMain.h"
#include "app/Program.h"
#include "data/Clock.h"
#include "data/DataSource.h"
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
    if (!RegisterDataSource(QString::fromLatin1(DataSource::Name), booksPath(), QStringLiteral("流水帐企业数据库")))
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
    closeBare();
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
    const QString path = programDir() + QStringLiteral("generated-%1.mdb").arg(records);
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
    const QString master = masterBooks(records);
    closeBare();
    ShareDataModule::instance().disconnect();
    QFile::remove(booksPath());
    if (!QFile::copy(master, booksPath()))
        qFatal("bench: cannot copy the books");
    // The copy goes to disk now, not while the first figure is timed.
    QFile copy(booksPath());
    if (!copy.open(QIODevice::ReadWrite) || ::fsync(copy.handle()) != 0)
        qFatal("bench: cannot flush the books");
}

sqlite3 *Bench::bare()
{
    if (!m_bare) {
        if (sqlite3_open_v2(QFile::encodeName(booksPath()).constData(), &m_bare, SQLITE_OPEN_READWRITE, nullptr)
            != SQLITE_OK)
            qFatal("bench: cannot open the books bare");
        sqlite3_busy_timeout(m_bare, 10000);
        sqlite3_exec(m_bare, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    return m_bare;
}

void Bench::closeBare()
{
    sqlite3_close(m_bare);
    m_bare = nullptr;
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

void Bench::printTable() const
{
    std::printf("\n%-24s %10s %6s | %-26s | %-26s | %6s\n", "figure", "records", "runs",
                "program ms median (min)", "bare SQLite ms median (min)", "ratio");
    std::printf("%s\n", QByteArray(108, '-').constData());
    const auto cell = [](const Timing &t) {
        return milliseconds(t.median) + QStringLiteral(" (") + milliseconds(t.fastest) + QLatin1Char(')');
    };
    for (const Line &line : m_lines) {
        const Comparison &t = line.times;
        const double ratio = t.bare.median > 0 ? t.program.median / t.bare.median : 0;
        std::printf("%-24s %10d %6d | %-26s | %-26s | %6.2f\n", qPrintable(line.figure), line.records,
                    t.program.runs, qPrintable(cell(t.program)), qPrintable(cell(t.bare)), ratio);
    }
}
