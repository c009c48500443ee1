#pragma once
#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class FormAsk;
}

// The prompt for one line of text: the settings lists ask for names with it, and the data-modification
// password is typed into it. The caller sets the three texts, shows it, and after OK reads AskAnswer.
class FormAsk : public QDialog
{
    Q_OBJECT
public:
    explicit FormAsk(QWidget *parent = nullptr);
    ~FormAsk() override;

    QString AskTitle;
    QString AskPrompt;
    QString AskAnswer; // the entry's starting text; after OK what the user typed

    // Every character of the entry shown as "#" while on.
    void setMasked(bool masked);

    // Puts the three texts on the dialog and gives the entry the focus.
    void prepareToShow();
    // prepareToShow(), then the modal showing; true when closed with OK.
    bool ask();

private:
    void confirm();

    std::unique_ptr<Ui::FormAsk> ui;
};
