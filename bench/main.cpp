// kalvora-bench: times what a user waits for, on generated books, beside the same work done bare on
// SQLite, and prints a table. Not part of the tests.
//
//   kalvora-bench [--records N] [--accounts N] [--runs N] [--list] [figure...]
#include <QApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>

#include "Figures.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kalvora-bench [--records N] [--accounts N] [--runs N] [--list] [figure...]\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    Bench::Options options;
    QStringList chosen;
    const QStringList arguments = application.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const auto number = [&](int *target) {
            bool ok = false;
            *target = i + 1 < arguments.size() ? arguments[++i].toInt(&ok) : 0;
            return ok && *target >= 0;
        };
        if (argument == u"--list") {
            for (const Figure &figure : Figures)
                std::printf("%s\n", figure.name);
            return 0;
        }
        if ((argument == u"--records" && !number(&options.largest))
            || (argument == u"--accounts" && !number(&options.accounts))
            || (argument == u"--runs" && !number(&options.runs)))
            return usage();
        if (!argument.startsWith(u"--"))
            chosen.append(argument);
        else if (argument != u"--records" && argument != u"--accounts" && argument != u"--runs")
            return usage();
    }
    for (const QString &name : chosen)
        if (std::none_of(std::begin(Figures), std::end(Figures), [&](const Figure &f) { return name == QLatin1String(f.name); }))
            return usage();

    Bench bench(options);
    for (const Figure &figure : Figures)
        if (chosen.isEmpty() || chosen.contains(QLatin1String(figure.name)))
            figure.run(bench);
    bench.printTable();
    return 0;
}
