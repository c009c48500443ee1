#pragma once
#include <QLabel>

// A one-line label that never cuts through a character: a text wider than the label ends in "…",
// and the label's tooltip then holds the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The text as drawn: the whole text, or its start followed by "…".
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void offerWholeTextAsTip();
};
