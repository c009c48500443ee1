#pragma once
#include <QByteArray>
#include <QString>
#include <sys/resource.h>

// A file's bytes, empty when it cannot be read.
QByteArray readBytes(const QString &path);
// Writes `bytes` as the whole file; fails the test when the file cannot be written.
void writeBytes(const QString &path, const QByteArray &bytes);

// The statements that take a books file back to the version before the change record (2): its
// triggers, entries and operator gone.
QString fileWithoutChangeRecord();

// Files may grow to `bytes` only while this lives: a write beyond fails as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};
