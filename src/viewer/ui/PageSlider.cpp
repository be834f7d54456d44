#include "viewer/ui/PageSlider.h"

#include <QSlider>

QSlider* makePageSlider(const PageSliderSpec& spec, QWidget* parent)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(spec.objectName));
    slider->setRange(spec.minimum, spec.maximum);
    slider->setValue(spec.value);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(spec.tickInterval);
    slider->setTracking(spec.tracking);
    slider->setPageStep(spec.pageStep);
    return slider;
}
