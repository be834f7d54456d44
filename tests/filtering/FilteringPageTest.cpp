// The Mean Shift page on its own: the weight profile's drag and the filter buttons.
#include "../app/WindowTestUtil.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"

#include <QSignalSpy>

class FilteringPageTest : public QObject
{
    Q_OBJECT

private slots:
    void dragMovesInnerPointsFreelyAndEndsOnlyVertically();
    void algorithmButtonsSendAndStayChecked();
    void weightsFollowTheDrawnCurve();
};

// A press away from every point drags nothing and sends nothing.
void FilteringPageTest::dragMovesInnerPointsFreelyAndEndsOnlyVertically()
{
    QtFunctionWidget plot;
    plot.resize(216, 136);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
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

void FilteringPageTest::algorithmButtonsSendAndStayChecked()
{
    QtMeanShiftWidget page;
    QVERIFY(buttonNamed(&page, "Mean Shift")->isChecked());
    QSignalSpy rad(&page, &QtMeanShiftWidget::rad_signal);
    for (const auto& [text, id] : { std::pair { "Sphere Jump", 1 }, { "Median Filter", 2 },
             { "Median Filter", 2 }, { "Mean Shift", 0 } }) {
        QPushButton* clicked = buttonNamed(&page, text);
        QTest::mouseClick(clicked, Qt::LeftButton);
        QCOMPARE(rad.takeFirst().at(1).toInt(), id);
        QCOMPARE(page.algorithm, id);
        for (QPushButton* other : page.findChildren<QPushButton*>())
            QCOMPARE(other->isChecked(), other == clicked);
    }
    QCOMPARE(rad.count(), 0);
}

// The filter weighs a normal by the height the curve is drawn at over its
// distance, wherever the inner points were dragged sideways; they cannot pass
// each other or the ends.
void FilteringPageTest::weightsFollowTheDrawnCurve()
{
    QtFunctionWidget plot;
    plot.resize(216, 136);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    MeanShiftFilter filter;
    connect(&plot, &QtFunctionWidget::signal_function, this,
        [&](std::vector<Vector> f, int h) { filter.setProfile(f, h); });
    // A plot 200 wide and 120 high: a hump pushed towards the rim, then the
    // second inner point dragged back past the first, where it stops.
    for (const auto& [index, x, y, stopsAt] : { std::tuple { 1, 170.0f, 100.0f, 150.0f },
             { 2, 190.0f, 10.0f, 190.0f }, { 2, 20.0f, 10.0f, 150.0f } }) {
        plot.moveControlPoint(index, x, y);
        QCOMPARE(plot.controlPoints()[std::size_t(index)].x, stopsAt);
        const std::vector<Vector> curve = plot.samples();
        for (std::size_t k = 0; k < curve.size(); k += 7) {
            const float drawn = 1.0f - curve[k].y / 120.0f;
            QVERIFY2(qAbs(filter.profileWeight(curve[k].x / 200.0f) - drawn) < 1e-4f,
                qPrintable(QStringLiteral("sample %1").arg(k)));
        }
    }
}

QTEST_MAIN(FilteringPageTest)
#include "FilteringPageTest.moc"
