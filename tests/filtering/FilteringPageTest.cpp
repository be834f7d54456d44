#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <cmath>

namespace {

struct Sent
{
    const char* signal;
    Vector kernel;
    int algorithm;
};

} // namespace

class FilteringPageTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsSendTheKernel();
    void curveSamplesForKnownPoints();
    void draggingThePlotSendsTheProfile();
};

void FilteringPageTest::controlsSendTheKernel()
{
    QtMeanShiftWidget page;
    std::vector<Sent> sent;
    connect(&page, &QtMeanShiftWidget::rad_signal, this,
        [&](Vector k, int a) { sent.push_back({ "rad", k, a }); });
    connect(&page, &QtMeanShiftWidget::mshift_signal, this,
        [&](Vector k, int a) { sent.push_back({ "mshift", k, a }); });
    connect(&page, &QtMeanShiftWidget::step_signal, this,
        [&](Vector k) { sent.push_back({ "step", k, -1 }); });

    QCOMPARE(page.objectName(), QStringLiteral("meanshftab"));
    QCOMPARE(page.layout()->objectName(), QStringLiteral("smoothertab_blayout"));
    QVERIFY(page.findChild<QLayout*>(QStringLiteral("boxlayout ")));
    QCOMPARE(page.functionWidget()->objectName(), QStringLiteral("histogram"));
    QStringList buttons;
    for (QPushButton* b : page.findChildren<QPushButton*>())
        buttons << b->text();
    QCOMPARE(buttons,
        QStringList({ "Mean Shift", "Median Filter", "Sphere Jump", "Step" }));
    QSlider* slider = page.findChild<QSlider*>(QStringLiteral("xsize_slider"));
    QVERIFY(slider);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(slider->tickInterval(), 5);
    QCOMPARE(slider->pageStep(), 1);
    QLabel* label = page.findChild<QLabel*>(QStringLiteral("xsize_label"));
    QCOMPARE(label->text(), QStringLiteral("Sphere Radius:\t\t0"));

    // Buttons record the algorithm; the slider sends, never runs; Step and
    // Apply send the kernel with the chosen filter.
    const auto click = [&](const QString& text) {
        for (QPushButton* b : page.findChildren<QPushButton*>())
            if (b->text() == text)
                QTest::mouseClick(b, Qt::LeftButton);
    };
    click(QStringLiteral("Median Filter"));
    slider->setValue(7);
    click(QStringLiteral("Sphere Jump"));
    click(QStringLiteral("Step"));
    page.apply();
    QCOMPARE(label->text(), QStringLiteral("Sphere Radius:\t7"));
    const std::vector<std::tuple<std::string, float, int>> expected = { { "rad", 0.0f, 2 },
        { "rad", 7.0f, 2 }, { "rad", 7.0f, 1 }, { "step", 7.0f, -1 }, { "mshift", 7.0f, 1 } };
    QCOMPARE(sent.size(), expected.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        QCOMPARE(std::string(sent[i].signal), std::get<0>(expected[i]));
        QCOMPARE(sent[i].kernel.x, std::get<1>(expected[i]));
        QCOMPARE(sent[i].algorithm, std::get<2>(expected[i]));
    }
}

void FilteringPageTest::curveSamplesForKnownPoints()
{
    QtFunctionWidget plot;
    plot.setControlPoints(0.0f, 0.0f, 100.0f, 120.0f);
    const auto& p = plot.controlPoints();
    QCOMPARE(p[0], Vector(0, 120, 0));
    QCOMPARE(p[1], Vector(25, 0, 0));
    QCOMPARE(p[2], Vector(75, 0, 0));
    QCOMPARE(p[3], Vector(100, 120, 0));

    const std::vector<Vector> s = QtFunctionWidget::sampleCurve(p, 100);
    QCOMPARE(s.size(), std::size_t(100));
    QCOMPARE(s.front(), p[0]);
    QCOMPARE(s.back(), p[3]);
    // On the first knot span the basis is (1-u)^2, 2u - 1.5u^2, u^2 / 2; the
    // second span mirrors it for these symmetric points.
    for (int i : { 1, 20, 37, 49 }) {
        const double u = 2.0 * i / 99.0;
        const double b0 = (1 - u) * (1 - u), b1 = 2 * u - 1.5 * u * u, b2 = 0.5 * u * u;
        QVERIFY(std::abs(s[std::size_t(i)].x - (b1 * 25 + b2 * 75)) < 1e-3);
        QVERIFY(std::abs(s[std::size_t(i)].y - b0 * 120) < 1e-3);
        QVERIFY(std::abs(s[std::size_t(i)].x + s[std::size_t(99 - i)].x - 100.0f) < 1e-3f);
        QVERIFY(std::abs(s[std::size_t(i)].y - s[std::size_t(99 - i)].y) < 1e-3f);
    }
}

void FilteringPageTest::draggingThePlotSendsTheProfile()
{
    QtFunctionWidget plot;
    plot.resize(216, 136);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QCOMPARE(plot.plotWidth(), 200);
    QCOMPARE(plot.plotHeight(), 120);
    std::vector<std::pair<std::vector<Vector>, int>> sent;
    connect(&plot, &QtFunctionWidget::signal_function, this,
        [&](std::vector<Vector> f, int h) { sent.emplace_back(f, h); });

    const auto drag = [&](QPointF from, QPointF to) {
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, from.toPoint());
        QMouseEvent move(QEvent::MouseMove, to, plot.mapToGlobal(to), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &move);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, to.toPoint());
    };
    // Inner point 1 (50, 0) goes where it is dragged; end point 0 (0, 120)
    // only up and down; a press away from every point drags nothing.
    drag(QPointF(8 + 50, 8), QPointF(8 + 60, 8 + 60));
    drag(QPointF(8, 8 + 120), QPointF(8 + 40, 8 + 30));
    drag(QPointF(8 + 100, 8 + 100), QPointF(8 + 10, 8 + 10));
    QCOMPARE(plot.controlPoints()[1], Vector(60, 60, 0));
    QCOMPARE(plot.controlPoints()[0], Vector(0, 30, 0));
    QCOMPARE(sent.size(), std::size_t(2));
    QCOMPARE(sent.back().second, 120);
    QCOMPARE(sent.back().first.size(), std::size_t(100));
    QCOMPARE(sent.back().first.front(), Vector(0, 30, 0));
    QCOMPARE(sent.back().first[50].x, plot.samples()[50].x);
}

QTEST_MAIN(FilteringPageTest)
#include "FilteringPageTest.moc"
