#pragma once

class QSlider;
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
