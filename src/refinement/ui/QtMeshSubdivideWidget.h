#pragma once

#include <QWidget>

class QLabel;
class QSlider;

// The Subdivide tool page: number of levels and butterfly tension. Apply on the
// tool dialogue calls apply(), which asks for the subdivision only for a level
// other than 0.
class QtMeshSubdivideWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMeshSubdivideWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("subdividetab"));

    int level() const { return subdivLevel; }
    float weight() const { return subdivWeight; }

    // The dialogue's Apply while this page is current.
    void apply();

    // Slider value 0 .. 100 to tension: 0 -> -0.125, 50 -> 0, 100 -> 0.125.
    static float weightFromSlider(int value);

signals:
    void subdivide_signal(int subdiv, float weight);

public slots:
    void subdivlevel_event(int value);
    void weight_event(int value);

private:
    int subdivLevel = 0;
    float subdivWeight = 0.0f;
    QLabel* levelLabel = nullptr;
    QSlider* levelSlider = nullptr;
    QLabel* weightLabel = nullptr;
    QSlider* weightSlider = nullptr;
};
