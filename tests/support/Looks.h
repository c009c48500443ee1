#pragma once
#include <QStringList>

class QWidget;

// What the user sees, checked on the widgets as drawn.

// The labels shown under `root` whose text is cut: wider than the label (taller, when wrapped) without
// ending in "…" with the whole text as tooltip. Each entry reads "name: text".
QStringList cutLabels(QWidget &root);

// The pixels of the drawn widget whose colour is strong in the hue range [from, to] (degrees, the range
// may wrap past 360): a disabled control draws none at all.
int colouredPixels(QWidget &widget, int from = 0, int to = 360);
