#pragma once

#include "mesh/engine/Vector.h"

#include <QLabel>

#include <array>
#include <vector>

// The profile plot of the Mean Shift page: a quadratic clamped B-spline over
// four control points that the user shapes with the mouse. Plot coordinates are
// pixels of the plot area, y downwards; a sample's height y stands for the
// weight 1 - y / plot height at the distance from the kernel's centre that its
// x gives (the first point's x the centre, the last one's the kernel's rim).
//
// The two inner points move anywhere in the plot between the ends, keeping
// their order, the two ends only up and down. Every move emits signal_function with the 100 samples
// and the plot height.
class QtFunctionWidget : public QLabel
{
    Q_OBJECT
public:
    static constexpr int kSamples = 100;

    explicit QtFunctionWidget(QWidget* parent = nullptr, const char* name = "histogram");

    // Both ends on the bottom edge of the rectangle (x0, y0, w, h), the inner
    // points on its top edge at a quarter and three quarters of its width.
    void setControlPoints(float x0, float y0, float w, float h);
    const std::array<Vector, 4>& controlPoints() const { return points; }
    // Moves control point `index` to a plot position, kept inside the plot and,
    // for the ends, on their own vertical; then emits the samples.
    void moveControlPoint(int index, float x, float y);
    // The curve's samples now.
    std::vector<Vector> samples() const { return sampleCurve(points, kSamples); }
    // Size of the plot area in pixels.
    int plotWidth() const;
    int plotHeight() const;

    // `count` samples at evenly spaced parameters 0 .. 2 of the clamped
    // quadratic B-spline (knots 0 0 0 1 2 2 2) over the points; the last sample
    // is the last point.
    static std::vector<Vector> sampleCurve(const std::array<Vector, 4>& points, int count);

signals:
    void signal_function(std::vector<Vector> func, int sizey);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr int kMargin = 8;
    // The control point under a widget position, or -1.
    int pointAt(const QPointF& position) const;

    std::array<Vector, 4> points;
    int dragged = -1;
    int laidOutWidth = 0;
    int laidOutHeight = 0;
};
