#include "Looks.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "ui/ElidedLabel.h"

namespace {

bool showsWholeText(const QLabel &label)
{
    if (const auto *elided = qobject_cast<const ElidedLabel *>(&label)) {
        const QString shown = elided->shownText();
        return shown == label.text()
            || (shown.endsWith(QChar(0x2026)) && label.toolTip() == label.text());
    }
    if (label.wordWrap())
        return label.heightForWidth(label.width()) <= label.height();
    return label.sizeHint().width() <= label.width();
}

bool inHueRange(int hue, int from, int to)
{
    return from <= to ? hue >= from && hue <= to : hue >= from || hue <= to;
}

} // namespace

QStringList cutLabels(QWidget &root)
{
    root.grab(); // draws every label once, as the screen would
    QStringList cut;
    for (QLabel *label : root.findChildren<QLabel *>()) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty() || showsWholeText(*label))
            continue;
        cut.append(label->objectName() + QStringLiteral(": ") + label->text());
    }
    return cut;
}

int colouredPixels(QWidget &widget, int from, int to)
{
    const QImage image = widget.grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.hsvSaturation() > 110 && colour.value() > 70 && inHueRange(colour.hsvHue(), from, to))
                ++count;
        }
    }
    return count;
}
