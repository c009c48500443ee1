#include "changes/ChangeDetails.h"

#include <QHeaderView>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>

#include "changes/ChangeReplay.h"
#include "changes/EntryFields.h"
#include "data/ChangeRecord.h"
#include "data/Helpers.h"
#include "data/Query.h"
#include "ui/Screen.h"
#include "ui_ChangeDetails.h"

ChangeDetails::ChangeDetails(ShareDataModule &data, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ChangeDetails>())
    , m_data(data)
{
    ui->setupUi(this);
    ui->TableWidget1->setColumnCount(4);
    ui->TableWidget1->setHorizontalHeaderLabels(
        {QStringLiteral("字段"), QStringLiteral("改动前"), QStringLiteral("改动后"), QStringLiteral("改动")});
    // The two sides share the width the titles and the marks leave.
    QHeaderView *header = ui->TableWidget1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

ChangeDetails::~ChangeDetails() = default;

// Long texts wrap within the width the two sides get once the shown dialog is laid out.
void ChangeDetails::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, ui->TableWidget1, &QTableView::resizeRowsToContents);
}

bool ChangeDetails::showEntry(qint64 entry)
{
    if (!load(entry))
        return false;
    Screen::current().runModal(*this);
    return true;
}

bool ChangeDetails::load(qint64 entry)
{
    Query query(m_data);
    if (!RunQuery(query,
                  QStringLiteral("Select ChangeIndex, ChangeTime, ChangeOperator, ChangeKind, ChangeTable, ChangeRow,"
                                 " ChangeBefore, ChangeAfter From ChangeLog Where ChangeIndex = %1")
                      .arg(entry),
                  QStringLiteral("改动记录读取失败。\n")))
        return false;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到这条改动记录"));
        return false;
    }
    const QString table = query.fieldText(QStringLiteral("ChangeTable"));
    const qint64 row = query.field(QStringLiteral("ChangeRow")).toLongLong();
    const QString kind = query.fieldText(QStringLiteral("ChangeKind"));
    const QString beforeText = query.fieldText(QStringLiteral("ChangeBefore"));
    const QString afterText = query.fieldText(QStringLiteral("ChangeAfter"));
    const QJsonObject before = entryFields(beforeText);
    const QJsonObject after = entryFields(afterText);
    const QString heading = QStringLiteral("第 %1 号　%2　%3　%4　")
                                .arg(entry)
                                .arg(query.fieldText(QStringLiteral("ChangeTime")),
                                     query.fieldText(QStringLiteral("ChangeOperator")), kind);

    // The row as its earlier entries left it, then as this one leaves it.
    const ChangeRecord::Covered *covered = ChangeRecord::covered(table);
    QStringList fields = covered ? covered->fields : QStringList();
    QJsonObject was, is;
    if (covered) {
        if (!RunQuery(query,
                      QStringLiteral("Select ChangeKind, ChangeAfter From ChangeLog Where ChangeTable = '%1'"
                                     " And ChangeRow = %2 And ChangeIndex < %3 Order By ChangeIndex")
                          .arg(covered->table)
                          .arg(row)
                          .arg(entry),
                      QStringLiteral("改动记录读取失败。\n")))
            return false;
        ChangeReplay replay(covered->fields);
        for (query.first(); !query.eof(); query.next())
            replay.apply(query.fieldText(QStringLiteral("ChangeKind")), query.fieldText(QStringLiteral("ChangeAfter")));
        was = replay.seen() && !replay.deleted() ? replay.state() : replay.fieldsOf(beforeText);
        replay.apply(kind, afterText);
        is = replay.deleted() ? QJsonObject() : replay.state();
    }
    // Fields the entry names beyond the recorded ones (a password, the triggers put back).
    QStringList changed;
    for (const QJsonObject &side : {before, after})
        for (const QString &name : side.keys()) {
            const auto known = std::find_if(fields.begin(), fields.end(),
                                            [&](const QString &f) { return f.compare(name, Qt::CaseInsensitive) == 0; });
            changed.append(known == fields.end() ? name : *known);
            if (known == fields.end()) {
                fields.append(name);
                was.insert(name.toLower(), before.value(name));
                is.insert(name.toLower(), after.value(name));
            }
        }
    // A settings entry under its list, which a renamed value's entry leaves to its earlier entries.
    const int list = listNamed(is.isEmpty() ? was : is);
    ui->Label1->setText(heading + ChangeRecord::tableTitle(table, list) + QLatin1Char(' ')
                        + (row > 0 ? QString::number(row) : QString()));
    EntryFields shown;
    shown.readAccounts(m_data);
    ui->TableWidget1->setRowCount(int(fields.size()));
    for (int r = 0; r < fields.size(); ++r) {
        const QString key = fields[r].toLower();
        const bool marked = changed.contains(fields[r]);
        const QStringList cells{ChangeRecord::fieldTitle(fields[r]), shown.value(fields[r], was.value(key)),
                                shown.value(fields[r], is.value(key)), marked ? ChangedMark : QString()};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (marked)
                item->setForeground(Qt::red);
            ui->TableWidget1->setItem(r, c, item);
        }
    }
    ui->TableWidget1->resizeRowsToContents();
    return true;
}
