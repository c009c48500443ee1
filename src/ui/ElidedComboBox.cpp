#include "ui/ElidedComboBox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {

QRect textArea(const QComboBox &box, const QStyleOptionComboBox &option)
{
    // The label is drawn one pixel in from each side of the edit field.
    return box.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &box)
        .adjusted(1, 0, -1, 0);
}

} // namespace

QString ElidedComboBox::shownText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, textArea(*this, option).width());
}

void ElidedComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (!isEditable()) {
        option.currentText = fontMetrics().elidedText(currentText(), Qt::ElideRight, textArea(*this, option).width());
        const QString tip = option.currentText == currentText() ? QString() : currentText();
        if (toolTip() != tip)
            setToolTip(tip);
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void ElidedComboBox::showPopup()
{
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
    QComboBox::showPopup();
}
