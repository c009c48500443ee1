#pragma once
#include <QLabel>

// A picture or text that answers a click, like the hand-cursor pictures of the main window.
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
