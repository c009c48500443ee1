#pragma once
#include <QDialog>
#include <QString>
#include <memory>

class QComboBox;
class QLineEdit;
class ShareDataModule;
struct ReportChoices;

namespace Ui {
class FormMakeReport;
}

// 生成报表: the conditions of the report query. OK turns them into ReportCondition; Cancel keeps the
// condition the last OK (or the account window's 当月记录) left.
class FormMakeReport : public QDialog
{
    Q_OBJECT
public:
    explicit FormMakeReport(ShareDataModule &data, QWidget *parent = nullptr);
    ~FormMakeReport() override;

    // The condition the report grid's statement appends; empty until the first report.
    QString ReportCondition;

    // Fills and shows the dialog; Accepted when OK built a new condition.
    int showModal();
    // The steps of every showing; false when the dialog must not open (a list could not be read or
    // the scope is no number).
    bool prepareShowing();
    void confirm();

private:
    void setPictures();
    void resetFields();
    bool fillLists(const QString &scopeClause);
    ReportChoices choices() const;
    bool checkBound(QLineEdit *bound);

    std::unique_ptr<Ui::FormMakeReport> ui;
    ShareDataModule &m_data;
};
