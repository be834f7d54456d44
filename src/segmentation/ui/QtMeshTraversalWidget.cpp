#include "segmentation/ui/QtMeshTraversalWidget.h"

#include "pagekit/PageSlider.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <tuple>

QtMeshTraversalWidget::QtMeshTraversalWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("smoothertab_blayout"));

    std::tie(depthLabel, depthSlider) = addLabelledSlider(layout, QStringLiteral("Edge Depth:\t0"),
        "depth_label", { "depth_slider", 0, 5000, 0, 500, 1, true }, this);
    std::tie(angleLabel, angleSlider) = addLabelledSlider(layout, QStringLiteral("Angle Size:\t1"),
        "stepsize_label", { "stepsize_slider", 1, 360, 1, 36, 1, true }, this);

    markButton = new QPushButton(QStringLiteral("Mark Current"), this);
    markButton->setObjectName(QStringLiteral("markcurrent_button"));
    // In the tool dialogue Return must not mark a segment.
    markButton->setAutoDefault(false);
    layout->addWidget(markButton);
    layout->addStretch(1);

    connect(depthSlider, &QSlider::valueChanged, this, &QtMeshTraversalWidget::depthEvent);
    connect(angleSlider, &QSlider::valueChanged, this, &QtMeshTraversalWidget::stepsizeEvent);
    connect(markButton, &QPushButton::clicked, this, &QtMeshTraversalWidget::markcurrent_event);
}

void QtMeshTraversalWidget::apply()
{
    emit edgetraversal_signal(int(edgeDepth), int(angleSize));
}

void QtMeshTraversalWidget::depthEvent(int value)
{
    edgeDepth = value;
    depthLabel->setText(QStringLiteral("Edge Depth:\t") + QString::number(edgeDepth, 'g', 6));
    emit edgetraversal_signal(int(edgeDepth), int(angleSize));
}

void QtMeshTraversalWidget::stepsizeEvent(int value)
{
    angleSize = value;
    angleLabel->setText(QStringLiteral("Angle Size:\t") + QString::number(angleSize, 'g', 6));
    emit edgetraversal_signal(int(edgeDepth), int(angleSize));
}

void QtMeshTraversalWidget::markcurrent_event()
{
    emit markcurrent_signal();
}
