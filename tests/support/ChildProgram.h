#pragma once
#include <QList>
#include <QProcess>
#include <QString>
#include <functional>
#include <utility>

// This test program started again as a child that does one piece of work and nothing else, so that a
// test can cut it off with kill -9 in the middle of that work. The child's main() asks work() first.
class ChildProgram
{
public:
    // The work this process was started for; empty in the test program itself.
    static QString work();
    // A value the test handed to the child.
    static QString value(const char *name);

    ChildProgram(const QString &work, const QList<std::pair<const char *, QString>> &values);
    ~ChildProgram();
    ChildProgram(const ChildProgram &) = delete;
    ChildProgram &operator=(const ChildProgram &) = delete;

    // Asks `seen` again and again until it holds; false when the child ended first.
    bool waitUntil(const std::function<bool()> &seen);
    // kill -9, and waits until the process is gone.
    void kill();
    // What the child wrote to its error output: why a child ended early.
    QString errors();

private:
    QProcess m_process;
};
