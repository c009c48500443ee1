#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "data/BooksFile.h"
#include "data/Failure.h"

class ShareDataModule;

// The check of the change record (校验改动记录): replaying the entries must give today's books. Every
// row's current values equal those its entries leave it with, every deleted row's last entry is a
// deletion, and the entries are numbered without gaps. A trigger of the change record found missing
// is put back, with an entry saying so.
class ChangeCheck
{
public:
    struct Findings
    {
        QStringList restored;     // triggers put back
        QList<qint64> gaps;       // numbers missing (the first few)
        QStringList brokenRows;   // what is wrong with which record (the first few)
        qint64 brokenCount = 0;   // all rows found wrong
        qint64 entries = 0;       // entries replayed
        bool holds() const { return restored.isEmpty() && gaps.isEmpty() && brokenCount == 0; }
    };

    // Rows and gaps listed by name at most.
    static constexpr int Listed = 20;

    explicit ChangeCheck(ShareDataModule &data);

    // Runs the whole check, telling `progress`; false with *error when it could not be run.
    bool run(const BooksFile::Progress &progress, Findings *found, EngineError *error);

    // What the user is told of the findings, in Chinese.
    static QString report(const Findings &found);
    static inline const QString Holds = QStringLiteral("改动记录校验完毕：改动记录与帐簿一致，编号连续。");

private:
    ShareDataModule &m_data;
};
