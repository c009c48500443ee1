#include "data/postgres/PgBooksCheck.h"

#include "data/DeliveredBooks.h"
#include "data/postgres/PgChangeRecord.h"
#include "data/postgres/PgLink.h"
#include "data/postgres/PgSchema.h"

bool Pg::checkBooks(Link &link, const BooksFile::Progress &upgrade, EngineError *error)
{
    const QString database = link.server().database;
    QByteArray value;
    if (!firstValue(link,
                    QStringLiteral("SELECT datctype FROM pg_catalog.pg_database WHERE datname = current_database()"),
                    &value, error))
        return false;
    if (value != "C") {
        *error = {0,
                  QStringLiteral("服务器上的数据库“%1”不是以 LOCALE 'C' 建立的（现在是“%2”），帐簿不能使用：字母大小写的比较会与本软件不同。")
                          .arg(database, QString::fromUtf8(value))
                      + PgEngine::newDatabaseAdvice(database),
                  EngineError::Kind::Found};
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = 'public'"),
                    &value, error))
        return false;
    if (value == "0" && !link.runTogether(PgSchema::script(), error))
        return false;
    if (!firstValue(link, QStringLiteral("SELECT to_regclass('public.booksversion') IS NOT NULL"), &value, error))
        return false;
    if (value != "t") {
        *error = {0,
                  QStringLiteral("服务器上的数据库“%1”不是本软件的帐簿。请检查数据源 KalvoraCmp 中的数据库（Database）。")
                      .arg(database),
                  EngineError::Kind::Found};
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT max(SchemaVersion) FROM public.BooksVersion"), &value, error))
        return false;
    const bool older = value.toInt() == DeliveredBooks::SchemaVersion - 1;
    if (!older && value.toInt() != DeliveredBooks::SchemaVersion) {
        *error = {0,
                  QStringLiteral("帐簿版本（%1）与本软件使用的版本（%2）不同：服务器上的帐簿来自其他版本的软件，"
                                 "本软件不能使用。请先把本软件升级到与帐簿相同的版本。")
                      .arg(value.isEmpty() ? QStringLiteral("无") : QString::fromUtf8(value))
                      .arg(DeliveredBooks::SchemaVersion),
                  EngineError::Kind::Found};
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT 1 FROM pg_catalog.pg_extension WHERE extname = 'citext'"), &value,
                    error))
        return false;
    if (value != "1") {
        *error = {0,
                  QStringLiteral("服务器上的数据库“%1”没有安装 citext 扩展，帐簿不能使用。"
                                 "请由管理员在该数据库中执行：CREATE EXTENSION citext;")
                      .arg(database),
                  EngineError::Kind::Found};
        return false;
    }
    return !older || PgChangeRecord::add(link, upgrade, error);
}

bool Pg::repairAccountKey(Link &link, EngineError *error)
{
    QByteArray value;
    if (!firstValue(link,
                    QStringLiteral("SELECT 1 FROM pg_catalog.pg_constraint WHERE conname = 'moneyaccountexists'"
                                   " AND conrelid = 'public.moneytable'::regclass"),
                    &value, error))
        return false;
    return value == "1" || link.run(PgSchema::accountKey(), error);
}

void Pg::addChangeListOrder(Link &link)
{
    QByteArray value;
    EngineError ignored;
    if (firstValue(link,
                   QStringLiteral("SELECT 1 FROM pg_catalog.pg_class WHERE relname = 'changenewestfirst'"
                                  " AND relnamespace = 'public'::regnamespace"),
                   &value, &ignored)
        && value != "1")
        link.run(PgSchema::changeListOrder(), &ignored);
}
