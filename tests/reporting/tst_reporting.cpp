#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QtTest>
#include <functional>

#include "app/FormMain.h"
#include "app/MainReports.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/JournalPage.h"
#include "reporting/FormPreview.h"
#include "reporting/Report.h"
#include "reporting/ReportView.h"
#include "support/BooksFault.h"
#include "support/Controls.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"
#include "ui/FormProgress.h"

namespace {

const QString WrongPassword = QStringLiteral("密码错误，请重新操作");
const QString SelectFirst = QStringLiteral("请先选中要修改的记录");

// A template of small, round measures: on A5 with 10 mm margins the body between page header and
// footer is 170 mm; the first page takes 14 rows under its title and column header, later pages 16.
const QString Numbered = QStringLiteral(R"(# rows of a numbered list
page A5 portrait 10 10 10 10
font "WenQuanYi Micro Hei" 9
band pageheader 10
  text 0 0 * 10 right "第 [Page] 页 / 共 [Pages] 页"
end
band title 20
  text 0 0 * 20 center bold size 16 "清单"
end
band columnheader 10
  text 0 0 40 10 center bold border "序号"
  text 40 0 60 10 center bold border "金额"
end
band data 10
  text 0 0 40 10 center border "[Nr]"
  text 40 0 60 10 right border "[Amount]"
end
band summary 15
  text 0 0 * 15 right "共 [Count] 行，合计 [Sum(Amount)]"
end
band pagefooter 10
  text 0 0 * 10 center "[Today]"
end
)");

// The same page with a text column whose cells wrap: the first page takes 14 one-line rows.
const QString Wrapping = QStringLiteral(R"(# rows that grow with their texts
page A5 portrait 10 10 10 10
font "WenQuanYi Micro Hei" 9
columns
  Nr "序号" 20
  Txt "内容" 80
end
band pageheader 10
  text 0 0 * 10 right "第 [Page] 页 / 共 [Pages] 页"
end
band title 20
  text 0 0 * 20 center bold size 16 "清单"
end
band columnheader 10
  headings center bold border
end
band data 10
  cells left border wrap
end
band summary 15
  text 0 0 * 15 right "共 [Count] 行"
end
band pagefooter 10
  text 0 0 * 10 center "[Today]"
end
)");

// Rows 1..n with the amount n × 12.3, which does not add up to a clean number.
QString numberedRows(int rows)
{
    return QStringLiteral("With Recursive n(Nr) As (Select 1 Union All Select Nr + 1 From n Where Nr < %1) "
                          "Select Nr, Nr * 12.3 As Amount From n Where Nr <= %1")
        .arg(rows);
}

// The books of a cashier of the company ledger: a bank and a cash account and the settings lists.
struct Books
{
    ProgramFixture program;
    qint64 bank = 0;
    qint64 cash = 0;

    Books()
    {
        WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QStringLiteral("5"),
                     program.settingsPath());
        bank = account(QStringLiteral("工行"), 1);
        cash = account(QStringLiteral("现金"), 2);
        for (const auto &[type, value] : QList<std::pair<int, QString>>{{1, QStringLiteral("销售收入")},
                                                                     {1, QStringLiteral("帐户平调")},
                                                                     {2, QStringLiteral("货款")},
                                                                     {3, QStringLiteral("发票")}})
            program.insert(QStringLiteral("Parameter"),
                           {{QStringLiteral("ParameterType"), type}, {QStringLiteral("ParameterValue"), value}});
        FormMain &main = program.main();
        main.setLeftPanelEnabled(true);
        main.setPageVisible(FormMain::JournalTab, true);
        main.setActivePage(FormMain::JournalTab);
    }

    qint64 account(const QString &name, int type)
    {
        return program.insert(QStringLiteral("Account"),
                              {{QStringLiteral("AccountName"), name}, {QStringLiteral("AccountType"), type}});
    }

    qint64 record(qint64 account, const QDate &day, double sum, const QString &user = QStringLiteral("老客户"),
                  const QString &reason = QStringLiteral("销售收入"), const QString &remark = QString())
    {
        return program.insert(QStringLiteral("MoneyTable"),
                              {{QStringLiteral("MoneyAccount"), account},
                               {QStringLiteral("MoneyCreateTime"), day},
                               {QStringLiteral("MoneyRecordTime"), day},
                               {QStringLiteral("MoneySum"), sum},
                               {QStringLiteral("MoneyReason"), reason},
                               {QStringLiteral("MoneyType"), QStringLiteral("货款")},
                               {QStringLiteral("MoneyToken"), QStringLiteral("发票")},
                               {QStringLiteral("MoneyUser"), user},
                               {QStringLiteral("MoneyRemark"), remark}});
    }

    void refresh() { program.main().refreshAll(); }
    JournalPage &journal() { return *program.main().journalPage(); }
    DataGrid &grid() { return *journal().DBGridEh1(); }
    Report &daily() { return program.main().reportObjects().frReport1; }
    QAction *action(const char *name) { return program.main().findChild<QAction *>(QLatin1String(name)); }

    double stored(qint64 index)
    {
        return program.select(QStringLiteral("Select MoneySum From MoneyTable Where MoneyIndex = ") + QString::number(index))
            .fieldNumber(QStringLiteral("MoneySum"));
    }

    // Makes the grid's row of the record the selected one; its place in the grid.
    int selectRecord(qint64 index)
    {
        QueryModel &model = grid().model();
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.value(row, 0).toLongLong() == index) {
                grid().setCurrentIndex(model.index(row, 0));
                return row;
            }
        qFatal("record %lld is not in the grid", index);
    }
};

QString templatePath(ProgramFixture &program, const QString &name)
{
    return program.folder() + QStringLiteral("Frf/") + name;
}

void writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString fault(const QString &path, int line, const QString &what)
{
    return QStringLiteral("报表模板有错，不能生成报表。\n") + path + (line ? QStringLiteral(" 第 %1 行").arg(line) : QString())
        + QStringLiteral("：") + what + QStringLiteral("\n请改正这个模板文件后再打印。");
}

// A report over a query of its own on fresh books, with its template file written (unless null).
struct Engine
{
    ProgramFixture program;
    Query data{ShareDataModule::instance()};
    Report report{ShareDataModule::instance(), data};
    QString path;

    explicit Engine(const QString &statement, const QString &text = Numbered)
        : path(templatePath(program, QStringLiteral("Test.frf")))
    {
        data.setSql(statement);
        if (!data.open())
            qFatal("statement failed: %s", qPrintable(data.lastError()));
        if (!text.isNull())
            writeFile(path, text);
    }
};

// Every page of a built report, laid out.
QList<ReportPage> pagesOf(Report &report)
{
    QList<ReportPage> pages;
    for (int p = 0; p < report.pageCount(); ++p)
        pages.append(report.page(p));
    return pages;
}

// A preview handler: `look` examines the shown preview, which is then left with its exit button.
ScriptedScreen::DialogHandler previewing(const std::function<void(FormPreview &)> &look)
{
    return [look](QDialog &dialog) {
        auto *preview = qobject_cast<FormPreview *>(&dialog);
        QVERIFY(preview);
        preview->show();
        look(*preview);
        control<QPushButton>(*preview, "ButtonExit")->click();
    };
}

// The modification password prompt, answered with `answer`, or cancelled.
ScriptedScreen::DialogHandler typingPassword(const QString &answer, bool confirm = true)
{
    return [answer, confirm](QDialog &prompt) {
        control<QLineEdit>(prompt, "Edit1")->setText(answer);
        control<QPushButton>(prompt, confirm ? "BitBtn1" : "BitBtn2")->click();
    };
}

QString withoutBlanks(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

QString pdfText(const QString &pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        qFatal("pdftotext (poppler-utils) is needed");
    QProcess process;
    process.start(tool, {pdf, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class ReportingTest : public QObject
{
    Q_OBJECT

private slots:
    // ----- the engine -----

    void pagesFollowRowCount_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("rowsPerPage");
        QTest::addColumn<QString>("summary");

        QTest::newRow("no row") << 0 << QList<int>{0} << "共 0 行，合计 0";
        QTest::newRow("summary fits under 12 rows") << 12 << QList<int>{12} << "共 12 行，合计 959.4";
        QTest::newRow("summary moves on after 13") << 13 << QList<int>{13, 0} << "共 13 行，合计 1119.3";
        QTest::newRow("first page full") << 14 << QList<int>{14, 0} << "共 14 行，合计 1291.5";
        QTest::newRow("one row over") << 15 << QList<int>{14, 1} << "共 15 行，合计 1476";
        QTest::newRow("second page full") << 30 << QList<int>{14, 16, 0} << "共 30 行，合计 5719.5";
        QTest::newRow("76 rows") << 76 << QList<int>{14, 16, 16, 16, 14} << "共 76 行，合计 35989.8";
        QTest::newRow("77 rows, summary on a page of its own") << 77 << QList<int>{14, 16, 16, 16, 15, 0}
                                                               << "共 77 行，合计 36936.9";
    }

    // With fixed band heights the pages follow from the row count alone; each row is on exactly one
    // page, in order, and the summary comes after the last one.
    void pagesFollowRowCount()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, rowsPerPage);
        QFETCH(QString, summary);
        Engine engine(numberedRows(rows));
        Report &report = engine.report;
        QVERIFY(report.loadTemplate(engine.path));
        QVERIFY(report.build());

        const QList<ReportPage> pages = pagesOf(report);
        QCOMPARE(pages.size(), rowsPerPage.size());
        QStringList numbers;
        for (int p = 0; p < pages.size(); ++p) {
            const ReportPage &page = pages[p];
            QCOMPARE(page.textsOf(ReportBand::PageHeader),
                     QStringList{QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(pages.size())});
            QCOMPARE(page.textsOf(ReportBand::Title).size(), p == 0 ? 1 : 0);
            QCOMPARE(page.textsOf(ReportBand::ColumnHeader), (QStringList{QStringLiteral("序号"), QStringLiteral("金额")}));
            QCOMPARE(page.textsOf(ReportBand::PageFooter), QStringList{QStringLiteral("2026-12-10")});
            const QStringList cells = page.textsOf(ReportBand::Data);
            QCOMPARE(cells.size(), 2 * rowsPerPage[p]);
            for (int c = 0; c < cells.size(); c += 2)
                numbers.append(cells[c]);
            QCOMPARE(page.textsOf(ReportBand::Summary),
                     p == pages.size() - 1 ? QStringList{summary} : QStringList());
        }
        QStringList expected;
        for (int n = 1; n <= rows; ++n)
            expected.append(QString::number(n));
        QCOMPARE(numbers, expected);
        if (rows >= 3)
            QCOMPARE(pages[0].textsOf(ReportBand::Data)[5], QStringLiteral("36.9"));
        QCOMPARE(engine.program.screen().takeMessages(), QStringList());
    }

    // Cells that wrap show their whole text over as many lines as it takes, each line within its
    // column, and the row grows with them: a row that no longer fits under the rows before it begins
    // the next page, a row taller than a page goes on over the next pages, and the pages are counted.
    void wrappedRowsGrowAndGoOnOverPages()
    {
        const QString cycle = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
        QStringList texts;
        for (int n = 1; n <= 13; ++n)
            texts.append(QStringLiteral("第%1行").arg(n));
        texts.append(cycle.repeated(15));  // some lines: more than the room the 13 rows leave
        texts.append(cycle.repeated(300)); // more lines than a page holds
        texts.append(QStringLiteral("末行"));
        QStringList rows;
        for (int n = 0; n < texts.size(); ++n)
            rows.append(QStringLiteral("Select %1 As Nr, '%2' As Txt").arg(n + 1).arg(texts[n]));
        Engine engine(rows.join(QStringLiteral(" Union All ")), Wrapping);
        Report &report = engine.report;
        QVERIFY(report.loadTemplate(engine.path));
        QVERIFY(report.build());

        const QList<ReportPage> pages = pagesOf(report);
        QMap<int, QString> printed;
        QMap<int, QList<int>> pagesOfRow;
        for (int p = 0; p < pages.size(); ++p) {
            const ReportPage &page = pages[p];
            QCOMPARE(page.textsOf(ReportBand::PageHeader),
                     QStringList{QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(pages.size())});
            double footer = 0;
            for (const ReportPageText &text : page.texts)
                if (text.band == ReportBand::PageFooter)
                    footer = text.rect.top();
            for (const ReportPageText &text : page.texts) {
                if (text.band != ReportBand::Data)
                    continue;
                QVERIFY2(text.rect.bottom() + ReportTextPadding <= footer + 1e-9, qPrintable(text.text));
                for (const QString &line : text.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    QCOMPARE(ReportLayout().wrapped(line, text.font, text.rect.width() - 2 * ReportTextPadding).size(), 1);
                if (text.column == 1) {
                    printed[text.row] += QString(text.text).remove(QLatin1Char('\n'));
                    pagesOfRow[text.row].append(p);
                }
            }
        }
        QCOMPARE(printed.values(), texts);
        QCOMPARE(pagesOfRow.value(12), QList<int>{0});
        QCOMPARE(pagesOfRow.value(13), QList<int>{1});
        QVERIFY(pagesOfRow.value(14).size() >= 3);
        QCOMPARE(pagesOfRow.value(14).first(), 1);
        QCOMPARE(pagesOfRow.value(15), QList<int>{pagesOfRow.value(14).last()});
        QCOMPARE(pages.last().textsOf(ReportBand::Summary), QStringList{QStringLiteral("共 16 行")});
        QCOMPARE(engine.program.screen().takeMessages(), QStringList());
    }

    void templateFaults_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("what");

        QTest::newRow("empty file") << "" << 0 << "模板文件是空的";
        QTest::newRow("only comments") << "# nothing\n\n   # still nothing\n" << 0 << "模板文件是空的";
        QTest::newRow("band without end")
            << "page A4 portrait 10 10 10 10\n\nband title 20\n  text 0 0 * 10 \"标题\"\n" << 3
            << "“band title”没有对应的 end";
        QTest::newRow("band inside a band")
            << "band title 20\n text 0 0 * 10 \"标题\"\nband data 6\n text 0 0 10 6 \"[Nr]\"\nend\n" << 3
            << "第 1 行的“band title”还没有 end，不能再开始“band”";
        QTest::newRow("end without band") << "band data 6\nend\nend\n" << 3 << "多余的 end，前面没有 band 或 columns";
        QTest::newRow("unknown field on the third item")
            << "band data 6\n text 0 0 10 6 \"[Nr]\"\n text 10 0 10 6 \"[Amount]\"\n text 20 0 10 6 \"[MoneyFoo]\"\nend\n"
            << 4 << "数据中没有字段“MoneyFoo”";
        QTest::newRow("field outside the data band")
            << "band title 10\n text 0 0 * 10 \"[Nr]\"\nend\n" << 2 << "字段“Nr”只能用在 band data 里";
        QTest::newRow("unclosed value") << "band data 6\n text 0 0 10 6 \"[Nr\"\nend\n" << 2 << "表达式“[Nr”缺少“]”";
        QTest::newRow("unclosed quote") << "band title 10\n text 0 0 * 10 \"标题\nend\n" << 2 << "引号没有结束";
        QTest::newRow("unknown band") << "band middle 10\nend\n" << 1
                                      << "不认识的 band 种类“middle”（可用 title、pageheader、columnheader、data、summary、pagefooter）";
        QTest::newRow("item taller than its band") << "band data 6\n text 0 0 10 7 \"[Nr]\"\nend\n" << 2
                                                   << "超出了 band 的高度 6";
        QTest::newRow("unknown row") << "band title 10\n text 0 0 * 10 \"[Head.PrintValue1]\"\nend\n" << 2
                                     << "没有名为“Head”的 row";
        QTest::newRow("failing row Select") << "row Head \"Select * From NoSuchTable\"\n" << 1
                                            << (TestEngine::onServer()
                                                    ? "row Head 的查询失败：relation \"NoSuchTable\" does not exist"
                                                    : "row Head 的查询失败：no such table: NoSuchTable");
        QTest::newRow("a row too tall for a page") << "page A5 portrait 10 10 10 10\nband data 200\nend\n" << 2
                                                   << "一页连一行数据也放不下";
        QTest::newRow("wrap on a text") << "band data 6\n text 0 0 10 6 wrap \"[Nr]\"\nend\n" << 2
                                        << "不认识的选项“wrap”（可用 left、center、right、bold、size 字号、border，cells 还可用 wrap）";
        QTest::newRow("two wrapping cells") << "columns\n Nr \"序号\" 20\nend\nband data 6\n cells wrap\n cells wrap\nend\n"
                                            << 6 << "band data 里只能有一个 wrap 的 cells";
    }

    // A faulty template is told in an error box that names the file, the line and the fault; there
    // is no preview, and the report builds again once the file is mended.
    void templateFaults()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, what);
        Engine engine(numberedRows(3), text);
        Report &report = engine.report;
        const QString &path = engine.path;
        ScriptedScreen &screen = engine.program.screen();

        QVERIFY(report.loadTemplate(path));
        QVERIFY(!report.build());
        QCOMPARE(screen.takeMessages(), QStringList{fault(path, line, what)});
        QVERIFY(!report.show());
        QCOMPARE(screen.takeMessages(), QStringList{fault(path, line, what)});

        writeFile(path, Numbered);
        QVERIFY(report.loadTemplate(path));
        QVERIFY(report.build());
        QCOMPARE(report.pageCount(), 1);
        QCOMPARE(screen.takeMessages(), QStringList());
    }

    // A missing file keeps the template held: none at first (no page, no preview, no message), the
    // last one loaded later.
    void missingTemplateKeepsTheOneHeld()
    {
        Engine engine(numberedRows(20), QString());
        Report &report = engine.report;
        const QString &path = engine.path;

        QVERIFY(!report.loadTemplate(path));
        QVERIFY(report.build());
        QCOMPARE(report.pageCount(), 0);
        QVERIFY(!report.show());

        writeFile(path, Numbered);
        QVERIFY(report.loadTemplate(path));
        QVERIFY(QFile::remove(path));
        QVERIFY(!report.loadTemplate(path));
        QVERIFY(report.build());
        QCOMPARE(report.pageCount(), 2);
        QCOMPARE(report.page(1).textsOf(ReportBand::Data).first(), QStringLiteral("15"));
        QCOMPARE(engine.program.screen().takeMessages(), QStringList());
    }

    // A text longer than its box is cut with "…" to fit it; a text that fits and its neighbour stay whole.
    void longTextsAreCut()
    {
        const QString longRemark = QStringLiteral("这是一段很长很长的备注，写着这笔款项的来龙去脉，远远超出了它那一栏的宽度");
        Engine engine(QStringLiteral("Select '") + longRemark
                          + QStringLiteral("' As Remark, '张三' As Name Union All Select '短备注', '李四'"),
                      QStringLiteral("band data 8\n text 0 0 30 8 \"[Remark]\"\n text 30 0 30 8 \"[Name]\"\nend\n"));
        Report &report = engine.report;
        QVERIFY(report.loadTemplate(engine.path));
        QVERIFY(report.build());

        const ReportPage page = report.page(0);
        const QStringList cells = page.textsOf(ReportBand::Data);
        QCOMPARE(cells.size(), 4);
        QVERIFY2(cells[0].endsWith(QStringLiteral("…")) && cells[0].size() < longRemark.size(), qPrintable(cells[0]));
        QVERIFY(longRemark.startsWith(cells[0].chopped(1)));
        QCOMPARE(cells.mid(1), (QStringList{QStringLiteral("张三"), QStringLiteral("短备注"), QStringLiteral("李四")}));
        const ReportPageText &cut = page.texts[0];
        QCOMPARE(ReportLayout().fitted(cut.text, cut.font, cut.rect.width() - 2 * ReportTextPadding), cut.text);
        QCOMPARE(engine.program.screen().takeMessages(), QStringList());
    }

    // The preview opens at the page's width on the first page; find goes from one place to the next,
    // page by page, says when it reached the last one, and starts over.
    void previewFindsAcrossPages()
    {
        Engine engine(numberedRows(40));
        Report &report = engine.report;
        ScriptedScreen &screen = engine.program.screen();
        QVERIFY(report.loadTemplate(engine.path));

        // "23" stands in row 10's amount 123 (page 1), then in row 19's 233.7 and row 23's number (page 2).
        screen.onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &preview) {
            QVERIFY(preview.view()->fitsPageWidth());
            QCOMPARE(control<QComboBox>(preview, "ComboBoxZoom")->currentText(), QStringLiteral("页宽"));
            QCOMPARE(preview.view()->currentPage(), 0);
            QCOMPARE(control<QLabel>(preview, "LabelPage")->text(), QStringLiteral("第 1 页 / 共 3 页"));

            control<QLineEdit>(preview, "EditFind")->setText(QStringLiteral("23"));
            QPushButton *find = control<QPushButton>(preview, "ButtonFind");
            QStringList found;
            QList<int> pages;
            for (int press = 0; press < 3; ++press) {
                find->click();
                QVERIFY(preview.lastFound());
                pages.append(preview.lastFound()->page);
                found.append(report.page(pages.last()).texts[preview.lastFound()->text].text);
                QCOMPARE(preview.view()->currentPage(), pages.last());
            }
            QCOMPARE(pages, (QList<int>{0, 1, 1}));
            QCOMPARE(found, (QStringList{"123", "233.7", "23"}));
            QCOMPARE(control<QLabel>(preview, "LabelPage")->text(), QStringLiteral("第 2 页 / 共 3 页"));
            find->click();
            QVERIFY(!preview.lastFound());
            find->click();
            QCOMPARE(preview.lastFound()->page, 0);
            find->click();
            QCOMPARE(preview.lastFound()->page, 1);

            control<QComboBox>(preview, "ComboBoxZoom")->setCurrentText(QStringLiteral("200%"));
            QCOMPARE(preview.view()->zoom(), 2.0);
            QCOMPARE(preview.view()->currentPage(), 1);

            control<QLineEdit>(preview, "EditFind")->setText(QStringLiteral("无此文字"));
            find->click();
            QVERIFY(!preview.lastFound());
        }));
        QVERIFY(report.show());
        QCOMPARE(screen.takeMessages(),
                 (QStringList{QStringLiteral("已找到最后一处“23”，再查找将从第一页开始"), QStringLiteral("报表中没有“无此文字”")}));
    }

    // A landscape page is seen whole: the preview fills the screen and fits the page's width into
    // it, also after the window changes its size, and 页宽 can be chosen again after another zoom.
    void previewFitsTheWholeWidth()
    {
        Engine engine(numberedRows(40), QString(Numbered).replace(QStringLiteral("A5 portrait"), QStringLiteral("A4 landscape")));
        Report &report = engine.report;
        QVERIFY(report.loadTemplate(engine.path));
        const auto fitsWhole = [](ReportView &view) {
            const double pagePixels = 297 * view.logicalDpiY() / 25.4 * view.zoom();
            const int room = view.viewport()->width() - 2 * 16; // a gap at either side
            return view.horizontalScrollBar()->maximum() == 0 && pagePixels <= room && pagePixels > room - 3;
        };
        engine.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &preview) {
            ReportView &view = *preview.view();
            QVERIFY(preview.windowState().testFlag(Qt::WindowMaximized));
            const QSize screen = preview.screen()->availableGeometry().size();
            const QSize frame = preview.frameGeometry().size() - preview.size();
            QVERIFY(qAbs(preview.width() + frame.width() - screen.width()) <= frame.width());
            QVERIFY(qAbs(preview.height() + frame.height() - screen.height()) <= frame.height());
            QVERIFY2(fitsWhole(view), qPrintable(QString::number(view.zoom())));

            preview.setWindowState(Qt::WindowNoState);
            preview.resize(640, 480);
            QVERIFY2(fitsWhole(view), qPrintable(QString::number(view.zoom())));

            auto *zoom = control<QComboBox>(preview, "ComboBoxZoom");
            zoom->setCurrentText(QStringLiteral("150%"));
            QCOMPARE(view.zoom(), 1.5);
            QVERIFY(view.horizontalScrollBar()->maximum() > 0);
            zoom->setCurrentText(QStringLiteral("页宽"));
            QVERIFY2(fitsWhole(view), qPrintable(QString::number(view.zoom())));
        }));
        QVERIFY(report.show());
        QCOMPARE(engine.program.screen().takeMessages(), QStringList());
    }

    // A find that takes long shows the progress window with 取消, modal over the preview; 取消 stops
    // it with the preview as it was, and a find let run finds the text on the last page.
    void longFindCanBeStopped()
    {
        StoppableProgress::setShowDelay(0); // as though each find had taken longer than a second
        const auto restoreDelay = qScopeGuard([] { StoppableProgress::setShowDelay(1000); });
        Engine engine(numberedRows(400));
        Report &report = engine.report;
        QVERIFY(report.loadTemplate(engine.path));
        engine.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &preview) {
            auto *progress = preview.findChild<FormProgress *>();
            QVERIFY(progress);
            QList<int> shown;
            bool modalWithCancel = true;
            const auto connection = connect(progress->ProgressBar1(), &QProgressBar::valueChanged, [&](int value) {
                shown.append(value);
                modalWithCancel = modalWithCancel && progress->isVisible() && progress->isModal()
                    && progress->BitBtn1()->isVisible() && progress->BitBtn1()->text() == u"取消";
                if (shown.size() == 3)
                    progress->BitBtn1()->click();
            });
            control<QLineEdit>(preview, "EditFind")->setText(QStringLiteral("共 400 行"));
            QPushButton *find = control<QPushButton>(preview, "ButtonFind");
            find->click();
            QCOMPARE(shown.size(), 3);
            QVERIFY(modalWithCancel);
            QVERIFY(shown.last() < 50);
            QVERIFY(!preview.lastFound());
            QCOMPARE(preview.view()->markedText(), QString());
            QVERIFY(!progress->isVisible());

            disconnect(connection);
            find->click();
            QVERIFY(preview.lastFound());
            QCOMPARE(preview.lastFound()->page, report.pageCount() - 1);
            QVERIFY(!progress->isVisible());
            QVERIFY(!progress->isModal());
        }));
        QVERIFY(report.show());
        QCOMPARE(engine.program.screen().takeMessages(), QStringList());
    }

    // ----- the daily printout -----

    void printDay_data()
    {
        QTest::addColumn<bool>("records");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("headings");

        const QStringList defaultHeadings{"记录号", "单据编号", "录入时间", "帐户名", "客户名称", "金额",
                                          "业务员", "收支种类", "类别", "凭证", "备注"};
        QTest::newRow("day with records") << true << QString()
                                          << QStringList{"上日结余：125.5 元", "本日结余：52.6 元",
                                                         "本日收入：共 3 笔～12.6 元", "本日支出：共 1 笔～85.5 元"}
                                          << defaultHeadings;
        QTest::newRow("day without records") << false << QString()
                                             << QStringList{"上日结余：125.5 元", "本日结余：125.5 元",
                                                            "本日收入：共 0 笔～0 元", "本日支出：共 0 笔～0 元"}
                                             << defaultHeadings;
        QTest::newRow("fields chosen in the settings")
            << true << "MoneySum,AccountName,MoneyIndex"
            << QStringList{"上日结余：125.5 元", "本日结余：52.6 元", "本日收入：共 3 笔～12.6 元",
                           "本日支出：共 1 笔～85.5 元"}
            << QStringList{"金额", "帐户名", "记录号"};
    }

    // 打印记录 writes the tab's four lines into PrintTable row 1 and previews the day: the lines at the
    // top, then exactly the grid's rows and columns in its order, with the grid's totals at the end.
    void printDay()
    {
        QFETCH(bool, records);
        QFETCH(QString, fields);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, headings);
        Books books;
        if (!fields.isEmpty())
            WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"), fields,
                         books.program.settingsPath());
        const QDate today = ProgramFixture::Today;
        books.record(books.bank, today.addDays(-1), 125.5);
        if (records) {
            books.record(books.bank, today, 12.3, QStringLiteral("甲"));
            books.record(books.cash, today, 0.1, QStringLiteral("乙"));
            books.record(books.bank, today, -85.5, QStringLiteral("丙"));
            books.record(books.cash, today, 0.2, QStringLiteral("丁"));
        }
        books.record(books.bank, today.addDays(1), 1000);
        books.refresh();
        QCOMPARE(books.journal().summaryLines(), lines);

        ReportPage first;
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &) {
            first = books.daily().page(0);
        }));
        books.action("ActionPrintMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());

        Query &row = books.program.select(QStringLiteral("Select * From PrintTable Where PrintIndex = 1"));
        QCOMPARE(row.recordCount(), 1);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(row.fieldText(QStringLiteral("PrintValue%1").arg(i + 1)), lines[i]);

        QCOMPARE(books.daily().pageCount(), 1);
        const QStringList title = first.textsOf(ReportBand::Title);
        for (const QString &line : lines)
            QVERIFY2(title.contains(line), qPrintable(line));
        QCOMPARE(first.textsOf(ReportBand::ColumnHeader), headings);

        DataGrid &grid = books.grid();
        QList<QStringList> gridRows;
        for (int r = 0; r < grid.model().rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid.columnCount(); ++c)
                cells.append(QueryModel::displayText(grid.model().value(r, c)));
            gridRows.append(cells);
        }
        QCOMPARE(gridRows.size(), records ? 4 : 0);
        QCOMPARE(first.cellRows(), gridRows);

        const QStringList totals = first.textsOf(ReportBand::Summary);
        QCOMPARE(totals.size(), grid.columnCount());
        for (int c = 0; c < grid.columnCount(); ++c)
            if (grid.footer(c).kind != DataGrid::Footer::Kind::None)
                QCOMPARE(totals[c], grid.footerText(c));
        QVERIFY(totals.contains(records ? QStringLiteral("4条") : QStringLiteral("0条")));
        QVERIFY(totals.contains(records ? QStringLiteral("-72.9") : QStringLiteral("0")));
    }

    // Books that lost PrintTable row 1 get it back at the next printout: the heading reaches the
    // template and no further rows pile up.
    void missingHeadingRowIsWrittenBack()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, 77 * 12.3);
        books.refresh();
        const auto tableRows = [&] {
            return books.program.select(QStringLiteral("Select Count(*) As N From PrintTable")).fieldInteger(QStringLiteral("N"));
        };
        const qint64 delivered = tableRows();
        Query &first = books.program.select(QStringLiteral("Select * From PrintTable Where PrintIndex = 1"));
        QVERIFY(first.remove());

        QStringList title;
        for (int run = 0; run < 2; ++run)
            books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &) {
                title = books.daily().page(0).textsOf(ReportBand::Title);
            }));
        books.action("ActionPrintMoney")->trigger();
        books.action("ActionPrintMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());

        QCOMPARE(tableRows(), delivered);
        Query &row = books.program.select(QStringLiteral("Select * From PrintTable Where PrintIndex = 1"));
        QCOMPARE(row.recordCount(), 1);
        QCOMPARE(row.fieldText(QStringLiteral("PrintValue3")), QStringLiteral("本日收入：共 1 笔～947.1 元"));
        QVERIFY(title.contains(QStringLiteral("本日收入：共 1 笔～947.1 元")));
    }

    void refusedHeadingPrintsNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("books read-only") << "read-only";
        QTest::newRow("books in use") << "in use";
        QTest::newRow("heading row refused") << "refused";
    }

    // When the heading row cannot be stored, the failure is told with what to do, nothing is printed
    // (a preview would be an unexpected dialog) and the row keeps the last printout's heading.
    void refusedHeadingPrintsNothing()
    {
        QFETCH(QString, fault);
        Books books;
        books.record(books.bank, ProgramFixture::Today, 77 * 12.3);
        books.refresh();
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([](FormPreview &) {}));
        books.action("ActionPrintMoney")->trigger();
        const auto heading = [&] {
            return books.program.select(QStringLiteral("Select * From PrintTable Where PrintIndex = 1"))
                .fieldText(QStringLiteral("PrintValue3"));
        };
        QCOMPARE(heading(), QStringLiteral("本日收入：共 1 笔～947.1 元"));

        books.record(books.cash, ProgramFixture::Today, 0.1);
        books.refresh();
        BooksFault refusal(books.program, fault, QStringLiteral("PrintTable"));
        if (TestEngine::onServer() && fault != u"refused") {
            // A server session writes the heading into its own temporary copy of the print table,
            // which neither read-only books nor another program's locks on the shared table hold back.
            books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([](FormPreview &) {}));
            books.action("ActionPrintMoney")->trigger();
            QCOMPARE(books.program.screen().takeMessages(), QStringList());
            QCOMPARE(heading(), QStringLiteral("本日收入：共 2 笔～947.2 元"));
            return;
        }
        books.action("ActionPrintMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(),
                 QStringList{refusal.message(QStringLiteral("打印内容未能写入帐簿，没有打印"))});
        QCOMPARE(books.program.screen().takeDetails(), (QStringList{refusal.detail()}));
        refusal.lift();
        QCOMPARE(heading(), QStringLiteral("本日收入：共 1 笔～947.1 元"));
    }

    // Without its template the daily printout shows nothing on the first run; after a good run a
    // vanished template leaves the one loaded before in use.
    void dailyTemplateMissing()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, 30);
        books.refresh();
        const QString path = templatePath(books.program, QStringLiteral("Daily.frf"));
        const QString kept = path + QStringLiteral(".kept");
        QVERIFY(QFile::rename(path, kept));

        books.action("ActionPrintMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(books.program.select(QStringLiteral("Select * From PrintTable Where PrintIndex = 1"))
                     .fieldText(QStringLiteral("PrintValue3")),
                 QStringLiteral("本日收入：共 1 笔～30 元"));

        QVERIFY(QFile::rename(kept, path));
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([](FormPreview &) {}));
        books.action("ActionPrintMoney")->trigger();
        QVERIFY(QFile::remove(path));
        books.record(books.bank, ProgramFixture::Today, 12.5);
        books.refresh();
        QStringList title;
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &) {
            title = books.daily().page(0).textsOf(ReportBand::Title);
        }));
        books.action("ActionPrintMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QVERIFY(title.contains(QStringLiteral("日 记 帐 簿")));
        QVERIFY(title.contains(QStringLiteral("本日收入：共 2 笔～42.5 元")));
    }

    void printToPdf_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        const QStringList heading{"上日结余：125.5 元", "本日结余：3222.4 元", "本日收入：共 29 笔～3181.9 元",
                                  "本日支出：共 1 笔～85 元", "日记帐簿"};
        QTest::newRow("every page") << 0 << 0 << heading + QStringList{"客户01", "客户30", "30条", "3096.9", "第1页/共2页", "第2页/共2页"}
                                    << QStringList();
        QTest::newRow("second page only") << 2 << 2 << QStringList{"客户30", "30条", "3096.9", "第2页/共2页"}
                                          << QStringList{"上日结余", "客户01", "第1页/共2页"};
    }

    // Printed to a PDF file through the print dialog, the day reads back as text: its heading lines,
    // its records and its totals, on the pages asked for.
    void printToPdf()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        Books books;
        const QDate today = ProgramFixture::Today;
        books.record(books.bank, today.addDays(-1), 125.5);
        for (int n = 1; n <= 30; ++n)
            books.record(n % 2 ? books.bank : books.cash, today, n == 7 ? -85 : 111.3 - n / 10.0,
                         QStringLiteral("客户%1").arg(n, 2, 10, QLatin1Char('0')));
        books.refresh();
        const QString pdf = books.program.folder() + QStringLiteral("day.pdf");

        books.program.screen().onDialog(QStringLiteral("PrintDialog"), [&](QDialog &dialog) {
            QPrinter *printer = static_cast<QPrintDialog &>(dialog).printer();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            if (from > 0) {
                printer->setPrintRange(QPrinter::PageRange);
                printer->setFromTo(from, to);
            }
            dialog.done(QDialog::Accepted);
        });
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([](FormPreview &preview) {
            control<QPushButton>(preview, "ButtonPrint")->click();
        }));
        books.action("ActionPrintMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(books.daily().pageCount(), 2);

        const QString text = withoutBlanks(pdfText(pdf));
        for (const QString &wanted : present)
            QVERIFY2(text.contains(withoutBlanks(wanted)), qPrintable(wanted + QStringLiteral(" missing in ") + text));
        for (const QString &unwanted : absent)
            QVERIFY2(!text.contains(withoutBlanks(unwanted)), qPrintable(unwanted));
    }

    // ----- record correction -----

    void editMoney_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("shownAmount");

        QTest::newRow("outgoing half of a transfer") << "out" << false << int(FormGetPay::EditExpense) << "工行" << "100";
        QTest::newRow("incoming half, by double-click") << "in" << true << int(FormGetPay::EditIncome) << "现金" << "100";
        QTest::newRow("record of 0") << "zero" << false << int(FormGetPay::EditIncome) << "工行" << "0";
    }

    // The selected record opens in the entry dialog, as expense when its amount is below 0, else as
    // income; correcting one half of a transfer leaves the other half as it was.
    void editMoney()
    {
        QFETCH(QString, which);
        QFETCH(bool, doubleClick);
        QFETCH(int, mode);
        QFETCH(QString, account);
        QFETCH(QString, shownAmount);
        Books books;
        const QDate today = ProgramFixture::Today;
        const QString transfer = QStringLiteral("帐户平调");
        books.record(books.bank, today, 250);
        const QHash<QString, qint64> records{
            {QStringLiteral("out"), books.record(books.bank, today, -100, QString(), transfer)},
            {QStringLiteral("in"), books.record(books.cash, today, 100, QString(), transfer)},
            {QStringLiteral("zero"), books.record(books.bank, today, 0)}};
        books.refresh();
        const qint64 chosen = records.value(which);
        const int row = books.selectRecord(chosen);

        FormGetPay *entry = books.program.main().findChild<FormGetPay *>();
        books.program.screen().onDialog(QStringLiteral("FormAsk"), typingPassword(QString()));
        books.program.screen().onDialog(QStringLiteral("FormGetPay"), [&](QDialog &dialog) {
            QCOMPARE(entry->EntryMode, mode);
            QCOMPARE(entry->EntryIndex, int(chosen));
            QCOMPARE(control<QComboBox>(dialog, "ComboBox1")->currentText(), account);
            QCOMPARE(control<QLineEdit>(dialog, "Edit3")->text(), shownAmount);
            control<QLineEdit>(dialog, "Edit3")->setText(QStringLiteral("120.5"));
            control<QPushButton>(dialog, "BitBtn1")->click();
        });
        if (doubleClick) {
            QWidget *cells = books.grid().viewport();
            QTest::mouseDClick(cells, Qt::LeftButton, {}, books.grid().visualRect(books.grid().model().index(row, 1)).center());
        } else {
            books.action("ActionEditMoney")->trigger();
        }
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("记录修改成功")});

        QCOMPARE(books.stored(chosen), mode == FormGetPay::EditExpense ? -120.5 : 120.5);
        for (auto other = records.cbegin(); other != records.cend(); ++other)
            if (other.value() != chosen)
                QCOMPARE(books.stored(other.value()), other.key() == u"out" ? -100.0 : other.key() == u"in" ? 100.0 : 0.0);
    }

    void refusedPassword_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("messages");

        QTest::newRow("wrong password") << "Kalvora" << true << QStringList{WrongPassword};
        QTest::newRow("letter case counts") << "KALVORA2026" << true << QStringList{WrongPassword};
        QTest::newRow("empty answer") << "" << true << QStringList{WrongPassword};
        QTest::newRow("cancelled") << "kalvora2026" << false << QStringList();
    }

    // A refused or cancelled password opens nothing and changes nothing; the next correction asks again.
    void refusedPassword()
    {
        QFETCH(QString, answer);
        QFETCH(bool, confirm);
        QFETCH(QStringList, messages);
        Books books;
        Query &key = books.program.select(QStringLiteral("Select * From Power Where PowerName = '修改'"));
        key.edit();
        key.setField(QStringLiteral("PowerKey"), QStringLiteral("kalvora2026"));
        QVERIFY(key.post());
        const qint64 record = books.record(books.bank, ProgramFixture::Today, -33.3);
        books.refresh();
        books.selectRecord(record);

        books.program.screen().onDialog(QStringLiteral("FormAsk"), typingPassword(answer, confirm));
        books.action("ActionEditMoney")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), messages);
        QCOMPARE(books.stored(record), -33.3);

        bool opened = false;
        books.program.screen().onDialog(QStringLiteral("FormAsk"), typingPassword(QStringLiteral("kalvora2026")));
        books.program.screen().onDialog(QStringLiteral("FormGetPay"), [&](QDialog &dialog) {
            opened = true;
            control<QPushButton>(dialog, "BitBtn2")->click();
        });
        books.action("ActionEditMoney")->trigger();
        QVERIFY(opened);
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(books.stored(record), -33.3);
    }

    // On an empty day there is no record to correct: the button and a double-click on the grid say so
    // and ask for no password.
    void nothingSelected()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today.addDays(-1), 10);
        books.refresh();
        books.action("ActionEditMoney")->trigger();
        QTest::mouseDClick(books.grid().viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(books.program.screen().takeMessages(), (QStringList{SelectFirst, SelectFirst}));
    }

    // ----- the templates of the other printouts, over rows written directly -----

    // The monthly closing prints every PrintDay row as written: days, fillers and the total row last.
    void monthCountTemplate()
    {
        Books books;
        Query &days = books.program.select(QStringLiteral("Select * From PrintDay"));
        const int rows = days.recordCount();
        for (int r = 0; r < rows; ++r) {
            days.moveTo(r);
            const bool total = r == rows - 1;
            const bool day = r < 31;
            days.setField(QStringLiteral("DayName"), total ? QStringLiteral("合计")
                                                     : day  ? QStringLiteral("2026-12-%1").arg(r + 1, 2, 10, QLatin1Char('0'))
                                                            : QStringLiteral("--------"));
            days.setField(QStringLiteral("DayGetNum"), total ? 77 : r == 2 ? 77 : 0);
            days.setField(QStringLiteral("DayGetSum"), total || r == 2 ? 947.1 : 0.0);
            days.setField(QStringLiteral("DayPayNum"), total || r == 2 ? 1 : 0);
            days.setField(QStringLiteral("DayPaySum"), total || r == 2 ? 85.5 : 0.0);
            days.setField(QStringLiteral("DayCount"), total || r == 2 ? 861.6 : 0.0);
            QVERIFY(days.post());
        }
        Query &month = books.program.main().reportObjects().ADOQueryMonthGrid;
        month.setSql(QStringLiteral("Select * From PrintDay"));
        QVERIFY(month.open());

        QList<ReportPage> pages;
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &) {
            pages = pagesOf(books.program.main().reportObjects().frReport3);
        }));
        RunReport(books.program.main().reportObjects().frReport3, QStringLiteral("Frf\\MonthCount.frf"));
        QCOMPARE(books.program.screen().takeMessages(), QStringList());

        QList<QStringList> lines;
        for (const ReportPage &page : pages) {
            const QStringList texts = page.textsOf(ReportBand::Data);
            for (int t = 0; t + 6 <= texts.size(); t += 6)
                lines.append(texts.mid(t, 6));
        }
        QCOMPARE(lines.size(), rows);
        QCOMPARE(lines[2], (QStringList{"2026-12-03", "77", "947.1", "1", "85.5", "861.6"}));
        QCOMPARE(lines[3], (QStringList{"2026-12-04", "0", "0", "0", "0", "0"}));
        QCOMPARE(lines.last().first(), QStringLiteral("合计"));
        QVERIFY(pages.first().textsOf(ReportBand::Title).contains(QStringLiteral("统计期间：2026-12-01 至 2026-12-31")));
        QCOMPARE(pages.first().textsOf(ReportBand::ColumnHeader),
                 (QStringList{"日期", "收入笔数", "收入金额", "支出笔数", "支出金额", "当日净额"}));
    }

    // The account statement prints the enabled PrintTable rows in stored order, the total line last.
    void accountMonthTemplate()
    {
        Books books;
        const QList<QStringList> written{{"工行", "125.5", "947.1", "85.5", "861.6", "987.1"},
                                         {"现金", "0", "0.3", "0", "0.3", "0.3"},
                                         {"总合计", "125.5", "947.4", "85.5", "861.9", "987.4"}};
        Query &table = books.program.select(QStringLiteral("Select * From PrintTable"));
        for (int r = 0; r < 5; ++r) {
            table.moveTo(r);
            table.setField(QStringLiteral("PrintEnable"), r < written.size());
            for (int v = 0; v < 6; ++v)
                table.setField(QStringLiteral("PrintValue%1").arg(v + 1), r < written.size() ? written[r][v] : QStringLiteral("旧"));
            QVERIFY(table.post());
        }
        Query &lines = books.program.main().reportObjects().ADOQueryAccount;
        lines.setSql(QStringLiteral("Select * From PrintTable Where PrintEnable = True"));
        QVERIFY(lines.open());

        ReportPage page;
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &) {
            page = books.program.main().reportObjects().frReport4.page(0);
        }));
        RunReport(books.program.main().reportObjects().frReport4, QStringLiteral("Frf\\AccountMonth.frf"));
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
        QCOMPARE(books.program.main().reportObjects().frReport4.pageCount(), 1);
        QStringList expected;
        for (const QStringList &line : written)
            expected += line;
        QCOMPARE(page.textsOf(ReportBand::Data), expected);
        QVERIFY(page.textsOf(ReportBand::Title).contains(QStringLiteral("帐 户 月 结 表")));
    }

    // The query result prints with the record grid's headings and its count and sum at the end.
    void reportTemplate()
    {
        Books books;
        for (int n = 1; n <= 77; ++n)
            books.record(n % 3 ? books.bank : books.cash, ProgramFixture::Today.addDays(-n % 5), 12.3);
        WindowedQuery &result = books.program.main().reportObjects().ADOQueryReportGrid;
        QVERIFY(result.open({QStringLiteral("MoneyIndex,AccountName,MoneySum"), QStringLiteral("Account,MoneyTable"),
                             QStringLiteral("(AccountIndex = MoneyAccount)"), QString(),
                             QStringLiteral(" Order By MoneySum Desc,MoneyCreateTime,MoneyIndex"),
                             QStringLiteral("MoneyIndex"), {QStringLiteral("MoneySum")}}));

        QList<ReportPage> pages;
        books.program.screen().onDialog(QStringLiteral("FormPreview"), previewing([&](FormPreview &) {
            pages = pagesOf(books.program.main().reportObjects().frReport2);
        }));
        RunReport(books.program.main().reportObjects().frReport2, QStringLiteral("Frf\\Report.frf"));
        QCOMPARE(books.program.screen().takeMessages(), QStringList());

        QCOMPARE(pages.size(), 4);
        int rows = 0;
        for (const ReportPage &page : pages) {
            QCOMPARE(page.textsOf(ReportBand::ColumnHeader), (QStringList{"记录号", "帐户名", "金额"}));
            rows += page.cellRows().size();
        }
        QCOMPARE(rows, 77);
        QCOMPARE(pages.last().textsOf(ReportBand::Summary),
                 (QStringList{"77条", "合计", "947.1", "共 77 条记录"}));
    }
};

QTEST_MAIN(ReportingTest)
#include "tst_reporting.moc"
