#include "Generator.h"

#include <QDate>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <random>

#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"

namespace {

// The generator writes bare SQL: it makes test data, it is not the program.
const QDate FirstDay(2022, 1, 1);
const QDate LastDay(2026, 12, 10);
constexpr std::uint32_t Seed = 20261210;

const QStringList Kinds{QStringLiteral("销售收入"), QStringLiteral("货款"), QStringLiteral("工资"), QStringLiteral("房租"),
                        QStringLiteral("水电费"), QStringLiteral("办公用品"), QStringLiteral("差旅费"), QStringLiteral("税费")};
const QStringList Categories{QStringLiteral("主营业务"), QStringLiteral("其他业务"), QStringLiteral("管理费用"),
                             QStringLiteral("财务费用")};
const QStringList Vouchers{QStringLiteral("发票"), QStringLiteral("收据"), QStringLiteral("支票"), QStringLiteral("无")};
const QStringList Staff{QStringLiteral("王芳"), QStringLiteral("李强"), QStringLiteral("张伟"), QStringLiteral("刘洋"),
                        QStringLiteral("陈静"), QStringLiteral("杨磊")};
const QString SameBook = QStringLiteral("帐户平调");
const QString OtherBook = QStringLiteral("帐簿平调");

// Draws from the standard engine with plain arithmetic, so every library gives the same books.
class Draw
{
public:
    int below(int n) { return int(m_engine() % std::uint32_t(n)); }
    template<typename T>
    const T &pick(const QList<T> &list) { return list[below(int(list.size()))]; }

private:
    std::mt19937 m_engine{Seed};
};

class Writer
{
public:
    explicit Writer(sqlite3 *db)
        : m_db(db)
    {
    }
    ~Writer() { sqlite3_finalize(m_stmt); }

    bool exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    bool prepare(const char *sql)
    {
        sqlite3_finalize(m_stmt);
        return sqlite3_prepare_v2(m_db, sql, -1, &m_stmt, nullptr) == SQLITE_OK;
    }
    void bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 number) { sqlite3_bind_int64(m_stmt, index, number); }
    void bind(int index, double number) { sqlite3_bind_double(m_stmt, index, number); }
    bool step()
    {
        const bool done = sqlite3_step(m_stmt) == SQLITE_DONE;
        sqlite3_reset(m_stmt);
        return done;
    }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

struct AccountRow
{
    qint64 index;
    QString name;
    int type;
};

bool writeLists(Writer &out)
{
    if (!out.prepare("INSERT INTO Parameter(ParameterType, ParameterValue) VALUES (?, ?)"))
        return false;
    const QList<const QStringList *> lists{&Kinds, &Categories, &Vouchers};
    for (int type = 1; type <= 3; ++type)
        for (const QString &value : *lists[type - 1]) {
            out.bind(1, qint64(type));
            out.bind(2, value);
            if (!out.step())
                return false;
        }
    return true;
}

bool writeAccounts(Writer &out, int count, QList<AccountRow> &accounts)
{
    if (!out.prepare("INSERT INTO Account(AccountIndex, AccountName, AccountType) VALUES (?, ?, ?)"))
        return false;
    const QStringList kinds{QStringLiteral("银行"), QStringLiteral("现金"), QStringLiteral("个人银行"),
                            QStringLiteral("个人现金")};
    for (int i = 0; i < count; ++i) {
        const AccountRow row{i + 2, QStringLiteral("%1帐户%2").arg(kinds[i % 4]).arg(i + 1, 3, 10, QLatin1Char('0')),
                             i % 4 + 1};
        out.bind(1, row.index);
        out.bind(2, row.name);
        out.bind(3, qint64(row.type));
        if (!out.step())
            return false;
        accounts.append(row);
    }
    return true;
}

bool writeGetPay(Writer &out, Draw &draw, int count)
{
    if (!out.prepare("INSERT INTO GetPay(GetPayTime, GetPayUser, GetPaySum, GetPayRemark) VALUES (?, ?, ?, ?)"))
        return false;
    const int days = int(FirstDay.daysTo(LastDay));
    for (int i = 0; i < count; ++i) {
        const double sum = (draw.below(100000) + 1) / 100.0;
        out.bind(1, FirstDay.addDays(draw.below(days + 1)).toString(Qt::ISODate));
        out.bind(2, QStringLiteral("往来单位%1").arg(draw.below(300), 3, 10, QLatin1Char('0')));
        out.bind(3, draw.below(2) ? sum : -sum);
        out.bind(4, QString());
        if (!out.step())
            return false;
    }
    return true;
}

struct Record
{
    QString day;
    qint64 account;
    QString user;
    double sum;
    QString reason, type, token, serial, man, remark;
};

bool writeRecord(Writer &out, const Record &r)
{
    out.bind(1, r.serial);
    out.bind(2, r.day);
    out.bind(3, r.day);
    out.bind(4, r.account);
    out.bind(5, r.user);
    out.bind(6, r.sum);
    out.bind(7, r.man);
    out.bind(8, r.reason);
    out.bind(9, r.type);
    out.bind(10, r.token);
    out.bind(11, r.remark);
    return out.step();
}

bool writeJournal(Writer &out, Draw &draw, const QList<AccountRow> &accounts, int count)
{
    if (!out.prepare("INSERT INTO MoneyTable(MoneySerial, MoneyCreateTime, MoneyRecordTime, MoneyAccount, MoneyUser, "
                     "MoneySum, MoneyMan, MoneyReason, MoneyType, MoneyToken, MoneyRemark) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        return false;
    const qint64 days = FirstDay.daysTo(LastDay) + 1;
    for (int i = 0; i < count; ++i) {
        const QString day = FirstDay.addDays(qint64(i) * days / count).toString(Qt::ISODate);
        const int n = int(accounts.size());
        const int a = draw.below(n);
        const AccountRow &account = accounts[a];
        const double amount = (draw.below(2000000) + 1) / 100.0;
        if (i % 50 == 48 && i + 1 < count && n > 1) {
            // A transfer: minus on one account, plus on another, on the same day.
            const AccountRow &target = accounts[(a + 1 + draw.below(n - 1)) % n];
            const QString reason = account.type == target.type ? SameBook : OtherBook;
            if (!writeRecord(out, {day, account.index, QStringLiteral("调出->") + target.name, -amount, reason}) ||
                !writeRecord(out, {day, target.index, account.name + QStringLiteral("->调入"), amount, reason}))
                return false;
            ++i;
            continue;
        }
        const bool receipt = draw.below(5) < 3;
        const Record record{day,
                            account.index,
                            QStringLiteral("客户%1").arg(draw.below(500), 3, 10, QLatin1Char('0')),
                            receipt ? amount : -amount,
                            draw.pick(Kinds),
                            draw.pick(Categories),
                            draw.pick(Vouchers),
                            QStringLiteral("NO%1").arg(i + 1, 8, 10, QLatin1Char('0')),
                            draw.pick(Staff),
                            draw.below(4) ? QString() : QStringLiteral("备注%1").arg(i + 1)};
        if (!writeRecord(out, record))
            return false;
    }
    return true;
}

} // namespace

bool GenerateBooks(const QString &path, const BookContents &contents, QString *error)
{
    if (!DeliveredBooks::create(path, error))
        return false;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    bool written = false;
    {
        Writer out(db);
        Draw draw;
        QList<AccountRow> accounts;
        written = out.exec("BEGIN") && writeLists(out) && writeAccounts(out, qMax(1, contents.accounts), accounts)
                  && writeGetPay(out, draw, 40) && out.exec(MonthTotals::dropStatement().toUtf8().constData())
                  && writeJournal(out, draw, accounts, contents.records)
                  && out.exec(MonthTotals::createStatement().toUtf8().constData()) && out.exec("COMMIT");
        if (!written)
            *error = out.error();
    }
    sqlite3_close(db);
    if (!written)
        QFile::remove(path);
    return written;
}
