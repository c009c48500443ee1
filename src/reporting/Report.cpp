#include "reporting/Report.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "data/ProgramPaths.h"
#include "data/RowSource.h"
#include "reporting/FormPreview.h"
#include "ui/Screen.h"

namespace {
// Pages kept laid out: those on the screen and a few around them.
constexpr int KeptPages = 24;

// Whether any text of the page holds `text`. A page whose whole texts do not hold it cannot show it cut.
bool holds(const ReportPage &page, const QString &text)
{
    for (const ReportPageText &shown : page.texts)
        if (shown.text.contains(text, Qt::CaseInsensitive))
            return true;
    return false;
}
} // namespace

Report::Report(ShareDataModule &database, RowSource &data)
    : m_database(database)
    , m_data(data)
    , m_pages(KeptPages)
{
}

Report::~Report() = default;

bool Report::loadTemplate(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return false;
    auto loaded = std::make_unique<ReportTemplate>();
    if (file.open(QIODevice::ReadOnly))
        *loaded = ParseReportTemplate(QString::fromUtf8(file.readAll()));
    else
        loaded->error = QStringLiteral("模板文件无法读取（") + file.errorString() + QStringLiteral("）");
    m_template = std::move(loaded);
    m_path = path;
    return true;
}

QString Report::faultMessage(const QString &what, int line) const
{
    const QString where = QDir::toNativeSeparators(m_path) + (line > 0 ? QStringLiteral(" 第 %1 行").arg(line) : QString());
    return QStringLiteral("报表模板有错，不能生成报表。\n") + where + QStringLiteral("：") + what
        + QStringLiteral("\n请改正这个模板文件后再打印。");
}

bool Report::build()
{
    m_built = false;
    m_pages.clear();
    if (!m_template)
        return true;
    if (!m_template->isValid()) {
        Screen::current().error(faultMessage(m_template->error, m_template->errorLine), QString());
        return false;
    }
    if (!m_layout.prepare(*m_template, m_data, m_database)) {
        Screen::current().error(faultMessage(m_layout.error(), m_layout.errorLine()), QString());
        return false;
    }
    // Rows that could not be read whole are not printed as if they were; their owner tells why.
    if (m_data.readFailed())
        return false;
    m_built = true;
    return true;
}

bool Report::show()
{
    if (!build() || pageCount() == 0)
        return false;
    FormPreview preview(*this, QApplication::activeWindow());
    preview.prepareShowing();
    Screen::current().runModal(preview);
    return true;
}

QSizeF Report::paperSize() const
{
    return m_template ? m_template->paper : QSizeF(210, 297);
}

ReportPage Report::page(int index)
{
    if (const ReportPage *kept = m_pages.object(index))
        return *kept;
    auto *laid = new ReportPage(m_layout.page(index));
    const ReportPage copy = *laid;
    m_pages.insert(index, laid);
    return copy;
}

std::optional<ReportHit> Report::findNext(const QString &text, const ReportHit &after, const FindProgress &progress)
{
    if (text.isEmpty())
        return std::nullopt;
    const int first = qMax(0, after.page);
    for (int p = first; p < pageCount(); ++p) {
        if (progress && !progress(p - first, pageCount() - first))
            return std::nullopt;
        if (!m_pages.contains(p) && !holds(m_layout.page(p, false), text))
            continue;
        const ReportPage shown = page(p);
        const int from = p == after.page ? after.text + 1 : 0;
        for (int t = from; t < shown.texts.size(); ++t)
            if (shown.texts[t].text.contains(text, Qt::CaseInsensitive))
                return ReportHit{p, t};
    }
    return std::nullopt;
}

void RunReport(Report &report, const QString &relativeTemplate)
{
    report.loadTemplate(ProgramPaths::file(relativeTemplate));
    if (report.build())
        report.show();
}
