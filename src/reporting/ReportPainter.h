#pragma once
#include <QFont>

#include "reporting/ReportPage.h"

class QPainter;

QFont ReportQFont(const ReportFont &font);

// Paints a laid-out page with the paper's top left corner at the painter's origin, `dotsPerMm` device
// pixels to the millimetre. Texts are drawn as text, each kept inside its box.
void PaintReportPage(QPainter &painter, const ReportPage &page, double dotsPerMm);
