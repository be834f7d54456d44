#include "refinement/ui/QtMeshSimplifierWidget.h"

#include "pagekit/PageSlider.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <tuple>

QtMeshSimplifierWidget::QtMeshSimplifierWidget(QWidget* parent, const QString& name)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("smoothertab_blayout"));

    std::tie(lodLabel, lodSlider)
        = addLabelledSlider(layout, QStringLiteral("Level of Detail:\t75%"), "lod_label",
            { "threshmin_slider", 0, 100, 75, 5, 1, true }, this);

    layout->addStretch(1);

    connect(lodSlider, &QSlider::valueChanged, this, &QtMeshSimplifierWidget::lodEvent);
}

void QtMeshSimplifierWidget::apply()
{
    if (lod <= 0.0f
        && !dialogs.confirm(
            this, QStringLiteral("Simplify"), QStringLiteral("Remove every vertex and face?"))) {
        return;
    }
    emit simplifySignal(lod);
}

void QtMeshSimplifierWidget::lodEvent(int value)
{
    lod = float(value);
    lodLabel->setText(QStringLiteral("Level of Detail:\t") + QString::number(double(lod), 'g', 6)
        + QStringLiteral("%"));
}
