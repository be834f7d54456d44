#pragma once

#include <utility>

class QBoxLayout;
class QLabel;
class QSlider;
class QString;
class QWidget;

// The horizontal sliders of the tool and lighting pages: ticks below, integer
// range, and whether values arrive while dragging (tracking) or on release.
struct PageSliderSpec
{
    const char* objectName;
    int minimum;
    int maximum;
    int value;
    int tickInterval;
    int pageStep;
    bool tracking;
};

QSlider* makePageSlider(const PageSliderSpec& spec, QWidget* parent = nullptr);

// A value label above its slider, both added to `layout` in that order; the
// pages rewrite the label's text as the slider moves. Returns (label, slider),
// ready for std::tie.
std::pair<QLabel*, QSlider*> addLabelledSlider(QBoxLayout* layout, const QString& text,
    const char* labelName, const PageSliderSpec& spec, QWidget* parent);
