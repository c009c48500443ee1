#pragma once
#include <QComboBox>

// A drop-down list that never cuts through a character: a choice wider than the box ends in "…", the
// box then offers the whole choice as its tooltip, and the open list is as wide as its longest line.
class ElidedComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The chosen text as drawn in the closed box.
    QString shownText() const;

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
