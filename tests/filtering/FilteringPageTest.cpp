#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

namespace {

QPushButton* button(QWidget& page, const QString& text)
{
    for (QPushButton* b : page.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class FilteringPageTest : public QObject
{
    Q_OBJECT

private slots:
    void dragMovesInnerPointsFreelyAndEndsOnlyVertically();
    void showSettingsSetsTheControlsAndSendsNothing_data();
    void showSettingsSetsTheControlsAndSendsNothing();
    void algorithmButtonsSendAndStayChecked();
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

void FilteringPageTest::showSettingsSetsTheControlsAndSendsNothing_data()
{
    QTest::addColumn<float>("slider");
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("checked");
    QTest::newRow("start") << 0.0f << 0 << 0 << "0" << QStringLiteral("Mean Shift");
    QTest::newRow("sphere jump") << 12.0f << 1 << 12 << "12" << QStringLiteral("Sphere Jump");
    QTest::newRow("median, between steps")
        << 7.5f << 2 << 8 << "7.5" << QStringLiteral("Median Filter");
}

// Each row starts from other settings, so every control has to move.
void FilteringPageTest::showSettingsSetsTheControlsAndSendsNothing()
{
    QFETCH(float, slider);
    QFETCH(int, algorithm);
    QFETCH(QString, label);
    QFETCH(QString, checked);
    QtMeanShiftWidget page;
    page.showSettings(40.0f, algorithm == 1 ? 2 : 1);
    QSignalSpy rad(&page, &QtMeanShiftWidget::rad_signal);
    QSignalSpy run(&page, &QtMeanShiftWidget::mshift_signal);
    page.showSettings(slider, algorithm);

    QCOMPARE(rad.count() + run.count(), 0);
    QTEST(page.radiusSlider()->value(), "position");
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("xsize_label"))->text(),
        QStringLiteral("Sphere Radius:\t") + label);
    for (const char* text : { "Mean Shift", "Median Filter", "Sphere Jump" })
        QCOMPARE(button(page, QString::fromLatin1(text))->isChecked(), checked == text);
    // What the page sends next carries the settings shown.
    QCOMPARE(page.algorithm, algorithm);
    QSignalSpy step(&page, &QtMeanShiftWidget::step_signal);
    QTest::mouseClick(button(page, QStringLiteral("Step")), Qt::LeftButton);
    QCOMPARE(step.at(0).at(0).value<Vector>().x, slider);
}

void FilteringPageTest::algorithmButtonsSendAndStayChecked()
{
    QtMeanShiftWidget page;
    QVERIFY(button(page, QStringLiteral("Mean Shift"))->isChecked());
    QSignalSpy rad(&page, &QtMeanShiftWidget::rad_signal);
    for (const auto& [text, id] : { std::pair { "Sphere Jump", 1 }, { "Median Filter", 2 },
             { "Median Filter", 2 }, { "Mean Shift", 0 } }) {
        QPushButton* clicked = button(page, QString::fromLatin1(text));
        QTest::mouseClick(clicked, Qt::LeftButton);
        QCOMPARE(rad.takeFirst().at(1).toInt(), id);
        QCOMPARE(page.algorithm, id);
        for (QPushButton* other : page.findChildren<QPushButton*>())
            QCOMPARE(other->isChecked(), other == clicked);
    }
    QCOMPARE(rad.count(), 0);
}

QTEST_MAIN(FilteringPageTest)
#include "FilteringPageTest.moc"
