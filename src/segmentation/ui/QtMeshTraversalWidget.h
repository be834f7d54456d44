#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

// The Edge Traversal tool page: depth and crease angle of the traversal from
// the picked face, and "Mark Current", which makes the traversed faces a
// segment. Every slider move asks for a new traversal; Apply on the tool
// dialogue calls apply(), which asks for one with the current values.
class QtMeshTraversalWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMeshTraversalWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("traversetab"));

    double depth() const { return edgeDepth; }
    double angle() const { return angleSize; }

    // The dialogue's Apply while this page is current.
    void apply();

signals:
    void edgetraversal_signal(int depth, int angle);
    void markcurrent_signal();

public slots:
    void depthEvent(int value);
    void stepsizeEvent(int value);
    void markcurrent_event();

private:
    double edgeDepth = 0.0;
    double angleSize = 1.0;
    QLabel* depthLabel = nullptr;
    QSlider* depthSlider = nullptr;
    QLabel* angleLabel = nullptr;
    QSlider* angleSlider = nullptr;
    QPushButton* markButton = nullptr;
};
