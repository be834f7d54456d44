#include "filtering/ui/QtFunctionWidget.h"

#include <QtTest>

#include <cmath>

class FilteringPageTest : public QObject
{
    Q_OBJECT

private slots:
    void curveFollowsTheQuadraticSplineBasis();
    void dragMovesInnerPointsFreelyAndEndsOnlyVertically();
};

void FilteringPageTest::curveFollowsTheQuadraticSplineBasis()
{
    QtFunctionWidget plot;
    plot.setControlPoints(0.0f, 0.0f, 100.0f, 120.0f);
    const auto& p = plot.controlPoints();
    QCOMPARE(p[1], Vector(25, 0, 0));
    const std::vector<Vector> s = QtFunctionWidget::sampleCurve(p, 100);
    QCOMPARE(s.size(), std::size_t(100));
    QCOMPARE(s.front(), Vector(0, 120, 0));
    QCOMPARE(s.back(), p[3]);
    // On the first knot span the basis is (1-u)^2, 2u - 1.5u^2, u^2 / 2; the
    // second span mirrors it for these symmetric points.
    for (std::size_t i : { 1, 20, 37, 49 }) {
        const double u = 2.0 * double(i) / 99.0;
        QVERIFY(std::abs(s[i].x - ((2 * u - 1.5 * u * u) * 25 + 0.5 * u * u * 75)) < 1e-3);
        QVERIFY(std::abs(s[i].y - (1 - u) * (1 - u) * 120) < 1e-3);
        QVERIFY(std::abs(s[i].x + s[99 - i].x - 100.0f) < 1e-3f);
        QVERIFY(std::abs(s[i].y - s[99 - i].y) < 1e-3f);
    }
}

// A press away from every point drags nothing and sends nothing.
void FilteringPageTest::dragMovesInnerPointsFreelyAndEndsOnlyVertically()
{
    QtFunctionWidget plot;
    plot.resize(216, 136);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QCOMPARE(plot.plotHeight(), 120);
    std::vector<std::pair<std::vector<Vector>, int>> sent;
    connect(&plot, &QtFunctionWidget::signal_function, this,
        [&](std::vector<Vector> f, int h) { sent.emplace_back(f, h); });
    const auto drag = [&](QPointF from, QPointF to) {
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, from.toPoint());
        QMouseEvent move(QEvent::MouseMove, to, plot.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(&plot, &move);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, to.toPoint());
    };
    // The plot starts 8 pixels in; point 1 is at (50, 0), point 0 at (0, 120).
    drag(QPointF(58, 8), QPointF(68, 68));
    drag(QPointF(8, 128), QPointF(48, 38));
    drag(QPointF(108, 108), QPointF(18, 18));
    QCOMPARE(plot.controlPoints()[1], Vector(60, 60, 0));
    QCOMPARE(plot.controlPoints()[0], Vector(0, 30, 0));
    QCOMPARE(sent.size(), std::size_t(2));
    QCOMPARE(sent.back().second, 120);
    QCOMPARE(sent.back().first.front(), Vector(0, 30, 0));
}

QTEST_MAIN(FilteringPageTest)
#include "FilteringPageTest.moc"
