// kalvora-bench: times what a user waits for, on generated books, beside the same work done bare through
// the engine's own library, and prints a table. Not part of the tests.
//
//   kalvora-bench [--records N] [--accounts N] [--runs N] [--engine sqlite|postgresql] [--pgenv FILE]
//                 [--desk-seconds N] [--list] [figure...]
//
// With --engine postgresql the figures run on server books, beside bare libpq, after a run of the same
// figures on books files whose program times stand beside them. The server is the one whose socket
// folder FILE names (as scripts/pg-test-cluster.sh writes it), or else a throwaway cluster that script
// starts and stops.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include "Figures.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kalvora-bench [--records N] [--accounts N] [--runs N] [--engine sqlite|postgresql] "
                         "[--pgenv FILE] [--desk-seconds N] [--list] [figure...]\n");
    return 2;
}

const QString ClusterScript = QStringLiteral(KALVORA_SOURCE_DIR "/scripts/pg-test-cluster.sh");

// The socket folder the cluster's address file names.
QString serverIn(const QString &envFile)
{
    QFile file(envFile);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("bench: cannot read %s", qPrintable(envFile));
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith("KALVORA_TEST_PGHOST="))
            return QString::fromLocal8Bit(line.mid(int(qstrlen("KALVORA_TEST_PGHOST="))));
    qFatal("bench: %s names no server", qPrintable(envFile));
}

// A throwaway cluster for the run, stopped at its end.
class Cluster
{
public:
    explicit Cluster(const QString &envFile)
        : m_envFile(envFile)
    {
        if (QProcess::execute(ClusterScript, {QStringLiteral("start"), m_envFile}) != 0)
            qFatal("bench: cannot start a server cluster with %s", qPrintable(ClusterScript));
    }
    ~Cluster() { QProcess::execute(ClusterScript, {QStringLiteral("stop"), m_envFile}); }
    Cluster(const Cluster &) = delete;
    Cluster &operator=(const Cluster &) = delete;

private:
    QString m_envFile;
};

// Runs the chosen figures (all when none is chosen) and prints their table, with `file` beside it.
QList<Bench::Line> runFigures(const Bench::Options &options, const QStringList &chosen,
                              const QList<Bench::Line> &file = {})
{
    Bench bench(options);
    for (const Figure &figure : Figures)
        if (chosen.isEmpty() || chosen.contains(QLatin1String(figure.name)))
            figure.run(bench);
    bench.printTable(file);
    return bench.lines();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    Bench::Options options;
    QString engine = QStringLiteral("sqlite");
    QString pgEnv;
    QStringList chosen;
    const QStringList arguments = application.arguments().mid(1);
    // The two-desk figure's second desk: the bench run again by its first.
    if (arguments.size() == 3 && arguments[0] == u"--second-desk")
        return runSecondDesk(arguments[1], arguments[2].toInt());
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const auto number = [&](int *target) {
            bool ok = false;
            *target = i + 1 < arguments.size() ? arguments[++i].toInt(&ok) : 0;
            return ok && *target >= 0;
        };
        const auto text = [&](QString *target) {
            *target = i + 1 < arguments.size() ? arguments[++i] : QString();
            return !target->isEmpty();
        };
        if (argument == u"--list") {
            for (const Figure &figure : Figures)
                std::printf("%s\n", figure.name);
            return 0;
        }
        bool ok = true;
        if (argument == u"--records")
            ok = number(&options.largest);
        else if (argument == u"--accounts")
            ok = number(&options.accounts);
        else if (argument == u"--runs")
            ok = number(&options.runs);
        else if (argument == u"--engine")
            ok = text(&engine) && (engine == u"sqlite" || engine == u"postgresql");
        else if (argument == u"--desk-seconds")
            ok = number(&options.deskSeconds);
        else if (argument == u"--pgenv")
            ok = text(&pgEnv);
        else if (argument.startsWith(u"--"))
            ok = false;
        else
            chosen.append(argument);
        if (!ok)
            return usage();
    }
    for (const QString &name : chosen)
        if (std::none_of(std::begin(Figures), std::end(Figures), [&](const Figure &f) { return name == QLatin1String(f.name); }))
            return usage();

    if (engine == u"sqlite") {
        runFigures(options, chosen);
        return 0;
    }
    // Books files are generated once for both runs.
    const QTemporaryDir generated;
    options.generated = generated.path();
    const QList<Bench::Line> onFile = runFigures(options, chosen);
    std::unique_ptr<Cluster> cluster;
    if (pgEnv.isEmpty()) {
        pgEnv = generated.filePath(QStringLiteral("cluster.env"));
        cluster = std::make_unique<Cluster>(pgEnv);
    }
    options.server = serverIn(pgEnv);
    runFigures(options, chosen, onFile);
    return 0;
}
