#include "filtering/ui/QtMeanShiftWidget.h"

#include "filtering/ui/QtFunctionWidget.h"
#include "pagekit/PageSlider.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <tuple>

QtMeanShiftWidget::QtMeanShiftWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("smoothertab_blayout"));

    const auto addButton = [&](const char* text, void (QtMeanShiftWidget::*slot)()) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        // Return in the tool dialogue must not start a filter.
        button->setAutoDefault(false);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    // The algorithm in use shows as the checked one of its buttons.
    algorithmButtons = new QButtonGroup(this);
    algorithmButtons->setExclusive(true);
    algorithmButtons->addButton(addButton("Mean Shift", &QtMeanShiftWidget::MShiftEvent), 0);
    algorithmButtons->addButton(addButton("Median Filter", &QtMeanShiftWidget::MedianEvent), 2);
    algorithmButtons->addButton(addButton("Sphere Jump", &QtMeanShiftWidget::SJumpEvent), 1);
    for (QAbstractButton* button : algorithmButtons->buttons())
        button->setCheckable(true);
    checkAlgorithm(algorithm);

    auto* plotBox = new QVBoxLayout();
    plotBox->setObjectName(QStringLiteral("boxlayout "));
    histogram = new QtFunctionWidget(this, "histogram");
    plotBox->addWidget(histogram);
    layout->addLayout(plotBox, 1);

    std::tie(xsizeLabel, xsizeSlider)
        = addLabelledSlider(layout, QStringLiteral("Sphere Radius:\t\t0"), "xsize_label",
            { "xsize_slider", 0, 100, 0, 5, 1, true }, this);
    connect(xsizeSlider, &QSlider::valueChanged, this, &QtMeanShiftWidget::xsizeEvent);

    addButton("Step", &QtMeanShiftWidget::StepEvent);

    scaleLabel = new QLabel(QStringLiteral("Ellipsoid Scale:\t0"), this);
    ysizeLabel = new QLabel(QStringLiteral("Ellipsoid Y:\t0"), this);
    zsizeLabel = new QLabel(QStringLiteral("Ellipsoid Z:\t0"), this);
    for (QLabel* label : { scaleLabel, ysizeLabel, zsizeLabel })
        label->hide();
}

void QtMeanShiftWidget::apply()
{
    emit mshift_signal(kernel, algorithm);
}

void QtMeanShiftWidget::xsizeEvent(int value)
{
    radius = value;
    kernel.x = float(value);
    setRadiusLabel();
    emit rad_signal(kernel, algorithm);
}

void QtMeanShiftWidget::setRadiusLabel()
{
    xsizeLabel->setText(QStringLiteral("Sphere Radius:\t") + QString::number(radius, 'g', 6));
}

void QtMeanShiftWidget::checkAlgorithm(int id)
{
    if (QAbstractButton* button = algorithmButtons->button(id))
        button->setChecked(true);
}

void QtMeanShiftWidget::showSettings(float slider, int algorithmValue)
{
    const QSignalBlocker quiet(this);
    const QSignalBlocker quietSlider(xsizeSlider);
    // The slider holds whole values; the members keep the value as given.
    xsizeSlider->setValue(qRound(slider));
    radius = slider;
    kernel.x = slider;
    setRadiusLabel();
    algorithm = algorithmValue;
    checkAlgorithm(algorithm);
}

void QtMeanShiftWidget::sizeEvent(int value)
{
    scale = value;
    kernel.x = float(radius * scale);
    kernel.y = float(ellipsoidY * scale);
    kernel.z = float(ellipsoidZ * scale);
    scaleLabel->setText(QStringLiteral("Ellipsoid Scale:\t") + QString::number(scale, 'g', 6));
    emit rad_signal(kernel, algorithm);
}

void QtMeanShiftWidget::ysizeEvent(int value)
{
    ellipsoidY = value;
    kernel.y = float(value);
    ysizeLabel->setText(QStringLiteral("Ellipsoid Y:\t") + QString::number(value));
    emit rad_signal(kernel, algorithm);
}

void QtMeanShiftWidget::zsizeEvent(int value)
{
    ellipsoidZ = value;
    kernel.z = float(value);
    zsizeLabel->setText(QStringLiteral("Ellipsoid Z:\t") + QString::number(value));
    emit rad_signal(kernel, algorithm);
}

void QtMeanShiftWidget::StepEvent()
{
    emit step_signal(kernel);
}

void QtMeanShiftWidget::MShiftEvent()
{
    algorithm = 0;
    checkAlgorithm(0);
    emit rad_signal(kernel, 0);
}

void QtMeanShiftWidget::SJumpEvent()
{
    algorithm = 1;
    checkAlgorithm(1);
    emit rad_signal(kernel, 1);
}

void QtMeanShiftWidget::MedianEvent()
{
    algorithm = 2;
    checkAlgorithm(2);
    emit rad_signal(kernel, 2);
}
