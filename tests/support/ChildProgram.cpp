#include "ChildProgram.h"

#include <QCoreApplication>

namespace {
constexpr char WorkVariable[] = "KALVORA_TEST_CHILD_WORK";
}

QString ChildProgram::work()
{
    return qEnvironmentVariable(WorkVariable);
}

QString ChildProgram::value(const char *name)
{
    return qEnvironmentVariable(name);
}

ChildProgram::ChildProgram(const QString &work, const QList<std::pair<const char *, QString>> &values)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(WorkVariable), work);
    for (const auto &[name, value] : values)
        environment.insert(QLatin1String(name), value);
    m_process.setProcessEnvironment(environment);
    m_process.start(QCoreApplication::applicationFilePath(), QStringList());
    m_process.waitForStarted();
}

ChildProgram::~ChildProgram()
{
    kill();
}

bool ChildProgram::waitUntil(const std::function<bool()> &seen)
{
    for (;;) {
        if (seen())
            return true;
        if (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(0))
            return false;
    }
}

void ChildProgram::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QString ChildProgram::errors()
{
    return QString::fromUtf8(m_process.readAllStandardError());
}
