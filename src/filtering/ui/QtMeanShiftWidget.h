#pragma once

#include "mesh/engine/Vector.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QSlider;
class QtFunctionWidget;

// The Mean Shift tool page: chooses the filter, sets the kernel radius (a slider
// value the view turns into a fraction of the mesh's size), steps mean shift or
// sphere jump one pass at a time, and holds the weight profile plot. Apply on the
// tool dialogue calls apply() for a full run.
class QtMeanShiftWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMeanShiftWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("meanshftab"));

    // Sent in every signal; the view reads only x.
    Vector kernel { 0.0f, 0.0f, 0.0f, 0.0f };
    // 0 mean shift, 1 sphere jump, 2 median filter.
    int algorithm = 0;
    double radius = 0.0;
    double ellipsoidY = 0.0;
    double ellipsoidZ = 0.0;
    double scale = 0.0;

    QtFunctionWidget* functionWidget() const { return histogram; }
    QSlider* radiusSlider() const { return xsizeSlider; }

    // The dialogue's Apply while this page is current: a full run.
    void apply();

    // Shows a radius slider value and an algorithm (0 mean shift, 1 sphere
    // jump, 2 median filter) as the slider, its label and the checked button,
    // and takes them as what the next signals send. Sends nothing.
    void showSettings(float slider, int algorithm);

signals:
    void mshift_signal(Vector kernel, int algorithm);
    void rad_signal(Vector kernel, int algorithm);
    void step_signal(Vector kernel);

public slots:
    void sizeEvent(int value);
    void xsizeEvent(int value);
    void ysizeEvent(int value);
    void zsizeEvent(int value);
    void StepEvent();
    void MShiftEvent();
    void SJumpEvent();
    void MedianEvent();

private:
    void setRadiusLabel();
    void checkAlgorithm(int id);

    QtFunctionWidget* histogram = nullptr;
    // The filter buttons, each with the algorithm it chooses as its id.
    QButtonGroup* algorithmButtons = nullptr;
    QLabel* xsizeLabel = nullptr;
    QSlider* xsizeSlider = nullptr;
    // The ellipsoid's labels: their slots exist, no control drives them, and
    // the view reads only the radius, so they are not shown.
    QLabel* scaleLabel = nullptr;
    QLabel* ysizeLabel = nullptr;
    QLabel* zsizeLabel = nullptr;
};
