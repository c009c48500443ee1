#include "ui/ElidedLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

QString ElidedLabel::shownText() const
{
    ensurePolished(); // a style sheet may set the font
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width() - 2 * margin());
}

void ElidedLabel::offerWholeTextAsTip()
{
    const QString tip = shownText() == text() ? QString() : text();
    if (toolTip() != tip)
        setToolTip(tip);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    offerWholeTextAsTip();
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, area, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

bool ElidedLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        offerWholeTextAsTip();
    return QLabel::event(event);
}
