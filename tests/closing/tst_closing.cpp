#include <QDateEdit>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "app/FormMain.h"
#include "ui/FormProgress.h"
#include "app/MainReports.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "reporting/FormPreview.h"
#include "reporting/Report.h"
#include "support/BooksFault.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"

namespace {

const QString MonthWriteFailure = QStringLiteral("财务月结未能写入帐簿，没有打印");
const QString StatementWriteFailure = QStringLiteral("帐户月结未能写入帐簿，没有打印");

// Books with accounts and journal records stored directly, and the two month runs driven through
// their actions, each printout read from its laid-out pages.
struct Books
{
    ProgramFixture program;
    QList<int> progress;             // every position the progress bar took
    bool progressAlongside = true;   // the window stood, not modal, at each of them

    Books()
    {
        QObject::connect(progressForm().ProgressBar1(), &QProgressBar::valueChanged, [this](int value) {
            progress.append(value);
            progressAlongside = progressAlongside && progressForm().isVisible() && !progressForm().isModal();
        });
    }

    qint64 account(const QString &name, int type = 1)
    {
        return program.insert(QStringLiteral("Account"),
                              {{QStringLiteral("AccountName"), name}, {QStringLiteral("AccountType"), type}});
    }

    void record(qint64 account, const QDate &day, double sum, const QString &reason = QStringLiteral("销售收入"))
    {
        program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), account},
                                                      {QStringLiteral("MoneyCreateTime"), day},
                                                      {QStringLiteral("MoneyRecordTime"), day},
                                                      {QStringLiteral("MoneySum"), sum},
                                                      {QStringLiteral("MoneyReason"), reason}});
    }

    void execute(const QString &statement)
    {
        QString error;
        QVERIFY2(ShareDataModule::instance().execute(statement, &error), qPrintable(error));
    }

    // The number of rows the books hold in `table`, made so by dropping or adding rows at the end.
    // A server's print tables carry a key column of their own; the file's are told apart by rowid.
    void keepRows(const QString &table, int rows)
    {
        execute(QStringLiteral("DELETE FROM %1 WHERE %2 > %3").arg(table, rowKey(table)).arg(rows));
        for (int row = program.select(QStringLiteral("Select * From ") + table).recordCount(); row < rows; ++row)
            program.insert(table, table == u"PrintTable" ? QList<std::pair<QString, QVariant>>{{QStringLiteral("PrintIndex"), row + 1}}
                                                         : QList<std::pair<QString, QVariant>>{{QStringLiteral("DayName"), QStringLiteral("旧")}});
    }

    static QString rowKey(const QString &table)
    {
        if (!TestEngine::onServer())
            return QStringLiteral("rowid");
        return table == u"PrintTable" ? QStringLiteral("PrintIndex") : QStringLiteral("DayIndex");
    }

    void setCurrentDate(const QDate &day)
    {
        auto *picker = program.main().findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"));
        const QSignalBlocker quiet(picker);
        picker->setDate(day);
    }

    FormProgress &progressForm() { return *program.main().findChild<FormProgress *>(); }
    MainReports &reports() { return program.main().reportObjects(); }

    void trigger(const QString &action) { program.main().findChild<QAction *>(action)->trigger(); }

    // Runs the action and returns the printed lines of the preview it shows, each the six texts of
    // one data row.
    QList<QStringList> run(const char *action, Report &report)
    {
        QList<QStringList> lines;
        bool progressShown = true;
        program.screen().onDialog(QStringLiteral("FormPreview"), [&](QDialog &preview) {
            progressShown = progressForm().isVisible();
            for (int p = 0; p < report.pageCount(); ++p) {
                const QStringList texts = report.page(p).textsOf(ReportBand::Data);
                for (int t = 0; t + 6 <= texts.size(); t += 6)
                    lines.append(texts.mid(t, 6));
            }
            preview.findChild<QPushButton *>(QStringLiteral("ButtonExit"))->click();
        });
        trigger(QLatin1String(action));
        [&] { QVERIFY2(!progressShown, "the progress window stood over the preview"); }();
        return lines;
    }

    QList<QStringList> closeMonth() { return run("ActionResearchReport", reports().frReport3); }
    QList<QStringList> statement() { return run("ActionMoneyMonth", reports().frReport4); }

    // Every stored row of a table, as text, for comparing before and after.
    QStringList rowsOf(const QString &table)
    {
        QStringList rows;
        Query &query = program.select(QStringLiteral("Select * From ") + table);
        for (query.first(); !query.eof(); query.next()) {
            QStringList values;
            for (const QString &field : query.fieldNames())
                values.append(query.fieldText(field));
            rows.append(values.join(u'|'));
        }
        return rows;
    }
};

QStringList zeroDay(const QString &name)
{
    return {name, "0", "0", "0", "0", "0"};
}

} // namespace

class ClosingTest : public QObject
{
    Q_OBJECT

private slots:
    // ----- 财务月结 -----

    // Every record of the month counts on its own day, whatever its account; the days around the month
    // do not. A transfer is one receipt and one payment.
    void monthByDay()
    {
        Books books;
        const qint64 bank = books.account(QStringLiteral("工行"));
        const qint64 cash = books.account(QStringLiteral("现金"), 2);
        const qint64 own = books.account(QStringLiteral("个人"), 3);
        for (int n = 0; n < 77; ++n)
            books.record(n % 2 ? bank : own, QDate(2026, 12, 3), 12.3);
        books.record(cash, QDate(2026, 12, 3), -85.5);
        books.record(bank, QDate(2026, 12, 5), -100, QStringLiteral("帐户平调"));
        books.record(cash, QDate(2026, 12, 5), 100, QStringLiteral("帐户平调"));
        books.record(cash, QDate(2026, 12, 31), 0.1);
        books.record(cash, QDate(2026, 12, 31), 0.2);
        books.record(bank, QDate(2026, 11, 30), 1000);
        books.record(bank, QDate(2027, 1, 1), 2000);
        books.setCurrentDate(QDate(2026, 12, 10));

        const QList<QStringList> lines = books.closeMonth();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(lines.size(), 32);
        QCOMPARE(lines[0], zeroDay("2026-12-01"));
        QCOMPARE(lines[2], (QStringList{"2026-12-03", "77", "947.1", "1", "85.5", "861.6"}));
        QCOMPARE(lines[3], zeroDay("2026-12-04"));
        QCOMPARE(lines[4], (QStringList{"2026-12-05", "1", "100", "1", "100", "0"}));
        QCOMPARE(lines[30], (QStringList{"2026-12-31", "2", "0.3", "0", "0", "0.3"}));
        QCOMPARE(lines[31], (QStringList{"合计", "80", "1047.4", "2", "185.5", "861.9"}));
        QCOMPARE(books.progress, (QList<int>{25, 45, 65, 85, 100}));
        QVERIFY(books.progressAlongside);
        QVERIFY(!books.progressForm().isVisible());
    }

    // However many rows PrintDay holds, every day of the month is listed once and counted once, rows
    // after the last day are fillers and the total is the last row; too few rows are made enough.
    void printDayRows_data()
    {
        QTest::addColumn<QDate>("current");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("printed");
        QTest::addColumn<QList<int>>("progress");
        QTest::newRow("30-day month, 40 rows") << QDate(2026, 11, 30) << 40 << 40 << QList<int>{25, 45, 65, 100};
        QTest::newRow("31-day month, 31 rows") << QDate(2026, 12, 31) << 31 << 32 << QList<int>{25, 45, 65, 85, 100};
        QTest::newRow("30-day month, 31 rows") << QDate(2026, 11, 1) << 31 << 31 << QList<int>{25, 45, 65, 100};
        QTest::newRow("28-day month, 20 rows") << QDate(2027, 2, 14) << 20 << 29 << QList<int>{25, 45, 65, 100};
        QTest::newRow("no rows") << QDate(2027, 2, 1) << 0 << 29 << QList<int>{25, 45, 65, 100};
        QTest::newRow("leap February on its 29th, 32 rows") << QDate(2028, 2, 29) << 32 << 32 << QList<int>{25, 45, 65, 100};
        QTest::newRow("leap February, 29 rows") << QDate(2028, 2, 10) << 29 << 30 << QList<int>{25, 45, 65, 100};
    }

    void printDayRows()
    {
        QFETCH(QDate, current);
        QFETCH(int, rows);
        QFETCH(int, printed);
        QFETCH(QList<int>, progress);
        Books books;
        const qint64 bank = books.account(QStringLiteral("工行"));
        const QDate first(current.year(), current.month(), 1);
        const QDate last = first.addMonths(1).addDays(-1);
        books.record(bank, first, 12.3);
        books.record(bank, last.addDays(-1), -0.75);
        books.record(bank, last, 7.7);
        books.keepRows(QStringLiteral("PrintDay"), rows);
        books.setCurrentDate(current);

        const QList<QStringList> lines = books.closeMonth();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(lines.size(), printed);
        const int days = first.daysInMonth();
        for (int day = 0; day < days; ++day)
            QCOMPARE(lines[day].first(), first.addDays(day).toString(Qt::ISODate));
        QCOMPARE(lines[0], (QStringList{first.toString(Qt::ISODate), "1", "12.3", "0", "0", "12.3"}));
        QCOMPARE(lines[days - 1], (QStringList{last.toString(Qt::ISODate), "1", "7.7", "0", "0", "7.7"}));
        for (int filler = days; filler < printed - 1; ++filler)
            QCOMPARE(lines[filler], zeroDay("--------"));
        QCOMPARE(lines.last(), (QStringList{"合计", "2", "20", "1", "0.75", "19.25"}));
        QCOMPARE(books.progress, progress);
    }

    // A month without a record of its own is printed all the same: every day 0, the total 0; records
    // of the months around it do not count.
    void monthWithoutRecords()
    {
        Books books;
        const qint64 bank = books.account(QStringLiteral("工行"));
        books.record(bank, QDate(2027, 1, 31), 12.3);
        books.record(bank, QDate(2027, 3, 1), -85.5);
        books.setCurrentDate(QDate(2027, 2, 14));

        const QList<QStringList> lines = books.closeMonth();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        const int rows = books.program.select(QStringLiteral("Select * From PrintDay")).recordCount();
        QCOMPARE(lines.size(), rows);
        for (int day = 0; day < 28; ++day)
            QCOMPARE(lines[day], zeroDay(QDate(2027, 2, 1 + day).toString(Qt::ISODate)));
        for (int filler = 28; filler < rows - 1; ++filler)
            QCOMPARE(lines[filler], zeroDay("--------"));
        QCOMPARE(lines.last(), zeroDay("合计"));
        QVERIFY(!books.progressForm().isVisible());
    }

    // ----- 帐户月结 -----

    // 帐户月结 is a large picture button with a blue caption like the other large commands, at the top
    // right of 帐户状况: beyond what the tab shows while the left panel is open, wholly in view once
    // the panel is folded.
    void statementButtonStandsAtTheFarRight()
    {
        ProgramFixture program;
        program.loginAsCashier();
        FormMain &main = program.main();
        auto *button = main.findChild<QToolButton *>(QStringLiteral("SpeedButtonMoneyMonth"));
        auto *tab = main.findChild<QWidget *>(QStringLiteral("TabSheet2"));
        QVERIFY(button && tab);
        const auto settle = [&] { main.centralWidget()->layout()->activate(); };
        settle();
        QCOMPARE(button->defaultAction(), main.findChild<QAction *>(QStringLiteral("ActionMoneyMonth")));
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(button->icon().actualSize(QSize(48, 48)), QSize(48, 48));
        QVERIFY(button->iconSize().width() >= 48 && button->height() >= 80);
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);

        // The caption, under the picture, is drawn in blue.
        const QImage drawn = button->grab().toImage();
        int blue = 0;
        for (int y = drawn.height() * 2 / 3; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QColor colour = drawn.pixelColor(x, y);
                blue += colour.hsvSaturation() > 110 && colour.value() > 70 && qAbs(colour.hsvHue() - 240) <= 20;
            }
        QVERIFY(blue > 0);

        const QRect place(button->mapTo(tab, QPoint(0, 0)), button->size());
        QVERIFY2(place.left() >= tab->width(), qPrintable(QStringLiteral("%1 in %2").arg(place.left()).arg(tab->width())));
        QVERIFY(place.top() < 20);
        QTest::mouseClick(main.findChild<QLabel *>(QStringLiteral("Image7")), Qt::LeftButton);
        settle();
        QVERIFY2(place.right() < tab->width(), qPrintable(QStringLiteral("%1 in %2").arg(place.right()).arg(tab->width())));
        QCOMPARE(program.screen().takeMessages(), QStringList());
    }

    // One line per account in the order the books hold them, amounts rounded per value and the totals
    // summed from the unrounded amounts; the first day of the month counts in the month, the day
    // before in the opening balance.
    void accountLines()
    {
        Books books;
        const qint64 bank = books.account(QStringLiteral("工行"));
        const qint64 cash = books.account(QStringLiteral("现金"), 2);
        const qint64 farm = books.account(QStringLiteral("农行"));
        books.account(QStringLiteral("空户"), 3);
        books.record(bank, QDate(2026, 11, 30), 125.5);
        books.record(bank, QDate(2026, 11, 2), 0.004);
        for (int n = 0; n < 77; ++n)
            books.record(bank, QDate(2026, 12, 1), 12.3);
        books.record(bank, QDate(2026, 12, 31), -85.5);
        books.record(bank, QDate(2027, 1, 1), 1000);
        books.record(cash, QDate(2026, 11, 15), 0.1);
        books.record(cash, QDate(2026, 11, 16), 0.2);
        books.record(cash, QDate(2025, 6, 1), 0.004);
        books.record(cash, QDate(2026, 12, 10), -20.25);
        books.record(farm, QDate(2026, 12, 15), 12.5);
        books.setCurrentDate(QDate(2026, 12, 31));

        const QList<QStringList> lines = books.statement();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(lines, (QList<QStringList>{{"工行", "125.5", "947.1", "85.5", "861.6", "987.1"},
                                            {"现金", "0.3", "0", "20.25", "-20.25", "-19.95"},
                                            {"农行", "0", "12.5", "0", "12.5", "12.5"},
                                            {"空户", "0", "0", "0", "0", "0"},
                                            {"总合计", "125.81", "959.6", "105.75", "853.85", "979.66"}}));
        QCOMPARE(books.progress, (QList<int>{25, 75, 100}));
        QVERIFY(books.progressAlongside);
        QVERIFY(!books.progressForm().isVisible());
    }

    // The month of the current date runs from its first day to its last, 29 February in a leap
    // year, whichever of its days is the current one.
    void statementOfLeapFebruary_data()
    {
        QTest::addColumn<QDate>("current");
        QTest::newRow("on the 29th") << QDate(2028, 2, 29);
        QTest::newRow("on the 1st") << QDate(2028, 2, 1);
    }

    void statementOfLeapFebruary()
    {
        QFETCH(QDate, current);
        Books books;
        const qint64 bank = books.account(QStringLiteral("工行"));
        books.record(bank, QDate(2028, 1, 31), 125.5);
        books.record(bank, QDate(2028, 2, 1), 12.3);
        books.record(bank, QDate(2028, 2, 28), -0.75);
        books.record(bank, QDate(2028, 2, 29), 7.7);
        books.record(bank, QDate(2028, 3, 1), 1000);
        books.setCurrentDate(current);

        QCOMPARE(books.statement(), (QList<QStringList>{{"工行", "125.5", "20", "0.75", "19.25", "144.75"},
                                                        {"总合计", "125.5", "20", "0.75", "19.25", "144.75"}}));
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
    }

    // Books without any account: nothing is written, nothing printed, nothing told, and the progress
    // window is gone.
    void statementWithoutAccounts()
    {
        Books books;
        books.execute(QStringLiteral("UPDATE PrintTable SET PrintEnable = True, PrintValue1 = '旧'"));
        const QStringList before = books.rowsOf(QStringLiteral("PrintTable"));
        books.trigger(QStringLiteral("ActionMoneyMonth")); // a preview would be an unexpected dialog
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(books.rowsOf(QStringLiteral("PrintTable")), before);
        QCOMPARE(books.progress, QList<int>{25});
        QVERIFY(!books.progressForm().isVisible());
    }

    // With 10 accounts: 15 rows give 10 lines, the total and 4 rows out of the printout that keep
    // their texts; with too few rows the table is made long enough for every account and the total.
    void printTableRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("indexes");
        QTest::newRow("15 rows") << 15 << QString("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15").split(' ');
        QTest::newRow("10 rows") << 10 << QString("1 2 3 4 5 6 7 8 9 10 11").split(' ');
        QTest::newRow("8 rows") << 8 << QString("1 2 3 4 5 6 7 8 9 10 11").split(' ');
    }

    void printTableRows()
    {
        QFETCH(int, rows);
        QFETCH(QStringList, indexes);
        Books books;
        books.keepRows(QStringLiteral("PrintTable"), rows);
        books.execute(QStringLiteral("UPDATE PrintTable SET PrintEnable = True, PrintValue1 = '旧', PrintValue8 = '旧'"));
        QList<QStringList> expected;
        for (int n = 10; n >= 1; --n) {
            const QString name = QStringLiteral("帐户%1").arg(n, 2, 10, QLatin1Char('0'));
            books.record(books.account(name), QDate(2026, 12, 1), n * 12.3);
            const QString sum = QString::number(n * 12.3, 'g', 15);
            expected.append({name, "0", sum, "0", sum, sum});
        }
        expected.append({"总合计", "0", "676.5", "0", "676.5", "676.5"});

        QCOMPARE(books.statement(), expected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QStringList stored;
        Query &table = books.program.select(QStringLiteral("Select * From PrintTable"));
        QStringList storedIndexes;
        for (table.first(); !table.eof(); table.next()) {
            storedIndexes.append(table.fieldText(QStringLiteral("PrintIndex")));
            stored.append(table.fieldText(QStringLiteral("PrintEnable")) + table.fieldText(QStringLiteral("PrintValue1"))
                          + table.fieldText(QStringLiteral("PrintValue8")));
        }
        QCOMPARE(storedIndexes, indexes);
        QCOMPARE(stored.mid(9, 2), (QStringList{"1帐户01", "1总合计"}));
        QCOMPARE(stored.mid(11), QStringList(rows - 11 > 0 ? rows - 11 : 0, QStringLiteral("0旧旧")));
    }

    // ----- failures -----

    // Books without the table a run reads: told with the engine's words kept, nothing printed, the
    // progress window gone.
    void missingTable_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("table");
        QTest::newRow("财务月结 without PrintDay") << "ActionResearchReport" << "PrintDay";
        QTest::newRow("财务月结 without MoneyTable") << "ActionResearchReport" << "MoneyTable";
        QTest::newRow("帐户月结 without PrintTable") << "ActionMoneyMonth" << "PrintTable";
        QTest::newRow("帐户月结 without MoneyTable") << "ActionMoneyMonth" << "MoneyTable";
    }

    void missingTable()
    {
        QFETCH(QString, action);
        QFETCH(QString, table);
        Books books;
        books.record(books.account(QStringLiteral("工行")), QDate(2026, 12, 3), 12.3);
        const QString rename = QStringLiteral("ALTER TABLE %1 RENAME TO Gone").arg(table);
        books.execute(rename);
        // On a server the first rename took the connection's own copy of a print table; the shared
        // table behind it goes too.
        if (TestEngine::onServer() && table.startsWith(u"Print"))
            books.execute(rename);
        books.trigger(action);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("数据库打开失败")});
        QCOMPARE(books.program.screen().takeDetails(),
                 QStringList{TestEngine::onServer() ? QStringLiteral("relation \"%1\" does not exist").arg(table)
                                                    : QStringLiteral("no such table: ") + table});
        QVERIFY(!books.progressForm().isVisible());
    }

    // A change the books refuse, at the start or at the third row, is told, nothing is printed and
    // the print table keeps the last printout whole.
    void refusedWrites_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("what");
        for (const auto &[action, table, what] : {std::tuple{"ActionResearchReport", "PrintDay", MonthWriteFailure},
                                                  std::tuple{"ActionMoneyMonth", "PrintTable", StatementWriteFailure}})
            for (const char *fault : {"read-only", "in use", "third row"})
                QTest::addRow("%s, %s", table, fault) << action << table << fault << what;
    }

    // Updates of the third row of a print table fail with BooksFault::Reason.
    static void refuseThirdRow(Books &books, const QString &table)
    {
        if (!TestEngine::onServer()) {
            books.execute(QStringLiteral("CREATE TRIGGER RefuseThird BEFORE UPDATE ON %1 WHEN old.rowid = 3 "
                                         "BEGIN SELECT RAISE(ABORT, '%2'); END")
                              .arg(table, BooksFault::Reason));
            return;
        }
        books.execute(QStringLiteral("CREATE FUNCTION refuse_third() RETURNS trigger LANGUAGE plpgsql AS"
                                     " $$BEGIN RAISE EXCEPTION '%1'; END$$")
                          .arg(BooksFault::Reason));
        books.execute(QStringLiteral("CREATE TRIGGER RefuseThird BEFORE UPDATE ON %1 FOR EACH ROW WHEN (old.%2 = 3)"
                                     " EXECUTE FUNCTION refuse_third()")
                          .arg(table, Books::rowKey(table)));
    }

    void refusedWrites()
    {
        QFETCH(QString, action);
        QFETCH(QString, table);
        QFETCH(QString, fault);
        QFETCH(QString, what);
        Books books;
        QList<qint64> accounts;
        for (int n = 1; n <= 4; ++n) {
            accounts.append(books.account(QStringLiteral("帐户%1").arg(n)));
            books.record(accounts.last(), QDate(2026, 12, n), n * 12.3);
        }
        books.closeMonth();
        books.statement();
        const QStringList before = books.rowsOf(table);
        books.record(accounts[1], QDate(2026, 12, 2), 0.7);
        books.progress.clear();

        std::optional<BooksFault> booksFault;
        QString message = what;
        QString detail = BooksFault::Reason;
        if (fault == u"third row") {
            refuseThirdRow(books, table);
        } else if (TestEngine::onServer()) {
            // A server session writes the print tables into its own temporary copies, which neither
            // read-only books nor another program's locks on the shared tables hold back: the run prints.
            booksFault.emplace(books.program, fault);
            const QList<QStringList> lines = table == u"PrintDay" ? books.closeMonth() : books.statement();
            QCOMPARE(books.program.screen().takeMessages(), QStringList());
            if (table == u"PrintDay") {
                QCOMPARE(lines.size(), before.size());
                QCOMPARE(lines[1], (QStringList{"2026-12-02", "2", "25.3", "0", "0", "25.3"}));
            } else {
                QCOMPARE(lines.size(), 5);
                QCOMPARE(lines[1], (QStringList{"帐户2", "0", "25.3", "0", "25.3", "25.3"}));
            }
            return;
        } else {
            booksFault.emplace(books.program, fault);
            message = booksFault->message(what);
            detail = booksFault->detail();
        }
        books.trigger(action); // a preview would be an unexpected dialog
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(books.program.screen().takeDetails(), QStringList{detail});
        QVERIFY(!books.progressForm().isVisible());
        if (booksFault)
            booksFault->lift();
        QCOMPARE(books.rowsOf(table), before);
    }
};

QTEST_MAIN(ClosingTest)
#include "tst_closing.moc"
