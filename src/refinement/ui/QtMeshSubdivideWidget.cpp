#include "refinement/ui/QtMeshSubdivideWidget.h"

#include "pagekit/PageSlider.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <tuple>

QtMeshSubdivideWidget::QtMeshSubdivideWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("smoothertab_blayout"));

    std::tie(levelLabel, levelSlider)
        = addLabelledSlider(layout, QStringLiteral("Subdivision Level:\t0"), "subdivlevel_label",
            { "subdivlevel_slider", 0, 10, 0, 1, 1, true }, this);

    // The label shows 0.0 until the slider first moves; the slider's 50 is
    // the same tension.
    std::tie(weightLabel, weightSlider) = addLabelledSlider(layout, QStringLiteral("Weight:\t0.0"),
        "weight_label", { "weight_slider", 0, 100, 50, 10, 5, true }, this);

    layout->addStretch(1);

    connect(levelSlider, &QSlider::valueChanged, this, &QtMeshSubdivideWidget::subdivlevel_event);
    connect(weightSlider, &QSlider::valueChanged, this, &QtMeshSubdivideWidget::weight_event);
}

float QtMeshSubdivideWidget::weightFromSlider(int value)
{
    // In double, so that the printed tension read back as a float is the very
    // value sent (the command-line tool takes it that way).
    return float((value / 100.0 - 0.5) * 0.25);
}

void QtMeshSubdivideWidget::apply()
{
    if (subdivLevel != 0)
        emit subdivide_signal(subdivLevel, subdivWeight);
}

void QtMeshSubdivideWidget::subdivlevel_event(int value)
{
    subdivLevel = value;
    levelLabel->setText(QStringLiteral("Subdivision Level:\t") + QString::number(value));
}

void QtMeshSubdivideWidget::weight_event(int value)
{
    subdivWeight = weightFromSlider(value);
    weightLabel->setText(
        QStringLiteral("Weight:\t") + QString::number(double(subdivWeight), 'g', 6));
}
