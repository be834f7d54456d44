#pragma once

#include <QColor>

class QLabel;
class QWidget;

// A small framed square filled with one colour, as the lighting and tool pages
// show their colours.
QLabel* makeColourSwatch(QWidget* parent, const QColor& colour, int size = 32);
// Refills a swatch made by makeColourSwatch.
void paintColourSwatch(QLabel* swatch, const QColor& colour);
