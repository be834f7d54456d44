#include "filtering/ui/QtFunctionWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLastPoint = 3; // n
constexpr int kOrder = 3; // t: quadratic

double knot(int j)
{
    if (j < kOrder)
        return 0.0;
    if (j <= kLastPoint)
        return double(j - kOrder + 1);
    return double(kLastPoint - kOrder + 2);
}

// Cox-de Boor recursion; a term whose knot span is empty counts as 0.
double blend(int i, int k, double u)
{
    if (k == 1)
        return knot(i) <= u && u < knot(i + 1) ? 1.0 : 0.0;
    double value = 0.0;
    const double left = knot(i + k - 1) - knot(i);
    if (left != 0.0)
        value += (u - knot(i)) / left * blend(i, k - 1, u);
    const double right = knot(i + k) - knot(i + 1);
    if (right != 0.0)
        value += (knot(i + k) - u) / right * blend(i + 1, k - 1, u);
    return value;
}

} // namespace

QtFunctionWidget::QtFunctionWidget(QWidget* parent, const char* name)
    : QLabel(parent)
{
    setObjectName(QString::fromLatin1(name));
    setScaledContents(true);
    setMinimumSize(160, 100);
    setMouseTracking(false);
    setControlPoints(0.0f, 0.0f, 1.0f, 1.0f);
}

std::vector<Vector> QtFunctionWidget::sampleCurve(const std::array<Vector, 4>& p, int count)
{
    std::vector<Vector> out;
    if (count <= 0)
        return out;
    out.reserve(std::size_t(count));
    const double step = count > 1 ? double(kLastPoint - kOrder + 2) / double(count - 1) : 0.0;
    for (int s = 0; s + 1 < count; ++s) {
        const double u = s * step;
        double x = 0.0, y = 0.0, z = 0.0;
        for (int i = 0; i <= kLastPoint; ++i) {
            const double b = blend(i, kOrder, u);
            x += b * p[std::size_t(i)].x;
            y += b * p[std::size_t(i)].y;
            z += b * p[std::size_t(i)].z;
        }
        out.push_back(Vector(float(x), float(y), float(z)));
    }
    // At the end parameter every half-open basis interval is empty; the clamped
    // curve ends on its last point.
    const Vector& last = p[kLastPoint];
    out.push_back(Vector(last.x, last.y, last.z));
    return out;
}

void QtFunctionWidget::setControlPoints(float x0, float y0, float w, float h)
{
    points[0] = Vector(x0, y0 + h, 0.0f);
    points[1] = Vector(x0 + 0.25f * w, y0, 0.0f);
    points[2] = Vector(x0 + 0.75f * w, y0, 0.0f);
    points[3] = Vector(x0 + w, y0 + h, 0.0f);
    update();
}

int QtFunctionWidget::plotWidth() const
{
    return std::max(width() - 2 * kMargin, 1);
}

int QtFunctionWidget::plotHeight() const
{
    return std::max(height() - 2 * kMargin, 1);
}

void QtFunctionWidget::moveControlPoint(int index, float x, float y)
{
    if (index < 0 || index > kLastPoint)
        return;
    Vector& p = points[std::size_t(index)];
    // The inner points keep their order between the ends, so the curve runs
    // from the centre to the rim and gives one weight at every distance.
    if (index != 0 && index != kLastPoint)
        p.x = std::clamp(x, points[std::size_t(index - 1)].x, points[std::size_t(index + 1)].x);
    p.y = std::clamp(y, 0.0f, float(plotHeight()));
    update();
    emit signal_function(samples(), plotHeight());
}

int QtFunctionWidget::pointAt(const QPointF& position) const
{
    int best = -1;
    double bestDistance = 10.0;
    for (int i = 0; i <= kLastPoint; ++i) {
        const QPointF p(points[std::size_t(i)].x + kMargin, points[std::size_t(i)].y + kMargin);
        const double d = std::hypot(p.x() - position.x(), p.y() - position.y());
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void QtFunctionWidget::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    const int w = plotWidth(), h = plotHeight();
    if (laidOutWidth > 0 && laidOutHeight > 0) {
        // The shape stays; the weights it stands for (height over plot height)
        // do not change, so nothing is sent.
        const float sx = float(w) / float(laidOutWidth), sy = float(h) / float(laidOutHeight);
        for (Vector& p : points) {
            p.x *= sx;
            p.y *= sy;
        }
    } else {
        setControlPoints(0.0f, 0.0f, float(w), float(h));
    }
    laidOutWidth = w;
    laidOutHeight = h;
}

void QtFunctionWidget::mousePressEvent(QMouseEvent* event)
{
    dragged = event->button() == Qt::LeftButton ? pointAt(event->position()) : -1;
}

void QtFunctionWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (dragged < 0)
        return;
    moveControlPoint(
        dragged, float(event->position().x() - kMargin), float(event->position().y() - kMargin));
}

void QtFunctionWidget::mouseReleaseEvent(QMouseEvent* event)
{
    (void)event;
    dragged = -1;
}

void QtFunctionWidget::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    painter.translate(kMargin, kMargin);
    const int w = plotWidth(), h = plotHeight();
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    painter.drawRect(0, 0, w, h);
    for (int i = 1; i < 4; ++i) {
        painter.drawLine(QPointF(w * i / 4.0, 0.0), QPointF(w * i / 4.0, h));
        painter.drawLine(QPointF(0.0, h * i / 4.0), QPointF(w, h * i / 4.0));
    }
    // The control polygon, faint, then the curve.
    painter.setPen(QPen(QColor(150, 150, 220), 1, Qt::DashLine));
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        painter.drawLine(
            QPointF(points[i].x, points[i].y), QPointF(points[i + 1].x, points[i + 1].y));
    const std::vector<Vector> curve = samples();
    QPainterPath path(QPointF(curve.front().x, curve.front().y));
    for (const Vector& s : curve)
        path.lineTo(s.x, s.y);
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(255, 255, 0));
    for (std::size_t i = 0; i < points.size(); ++i)
        painter.drawEllipse(QPointF(points[i].x, points[i].y), 4.0, 4.0);
}
