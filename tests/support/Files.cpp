#include "Files.h"

#include "data/ChangeRecord.h"

#include <QFile>
#include <QtTest>

#include <csignal>

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &m_previous);
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = m_previous;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}

QString fileWithoutChangeRecord()
{
    QString drop;
    for (const QString &name : ChangeRecord::triggerNames(Dialect::Sqlite))
        drop += QStringLiteral("DROP TRIGGER %1;").arg(name);
    return drop + QStringLiteral("DROP TABLE ChangeLog; DROP TABLE ChangeOperator; PRAGMA user_version = 2;");
}
