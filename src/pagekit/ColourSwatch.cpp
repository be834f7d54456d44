#include "pagekit/ColourSwatch.h"

#include <QLabel>
#include <QPixmap>

QLabel* makeColourSwatch(QWidget* parent, const QColor& colour, int size)
{
    auto* swatch = new QLabel(parent);
    swatch->setFixedSize(size, size);
    swatch->setFrameStyle(QFrame::Panel | QFrame::Raised);
    paintColourSwatch(swatch, colour);
    return swatch;
}

void paintColourSwatch(QLabel* swatch, const QColor& colour)
{
    QPixmap pixmap(swatch->width(), swatch->height());
    pixmap.fill(colour);
    swatch->setPixmap(pixmap);
}
