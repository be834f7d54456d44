#include "pagekit/PageSlider.h"

#include <QBoxLayout>
#include <QLabel>
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

std::pair<QLabel*, QSlider*> addLabelledSlider(QBoxLayout* layout, const QString& text,
    const char* labelName, const PageSliderSpec& spec, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(labelName));
    QSlider* slider = makePageSlider(spec, parent);
    layout->addWidget(label);
    layout->addWidget(slider);
    return { label, slider };
}
