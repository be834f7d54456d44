// The dialogue pages that need no GL.
#include "app/ui/QtMeshEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

class PagesTest : public QObject
{
    Q_OBJECT
private slots:
    void applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone();
    void positionIsSentOnceOnReleaseOrFromOutside();
};

void PagesTest::applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone()
{
    QtMeshEditorDialogue dialogue;
    // No button may be the default: Return must not start a tool.
    for (QPushButton* button : dialogue.findChildren<QPushButton*>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
    int firstRuns = 0, thirdRuns = 0;
    auto *first = new QWidget, *second = new QWidget, *third = new QWidget;
    dialogue.addPage(first, QStringLiteral("First"), [&] { ++firstRuns; });
    dialogue.addPage(second, QStringLiteral("Second"));
    dialogue.addPage(third, QStringLiteral("Third"), [&] { ++thirdRuns; });
    dialogue.tabs()->setCurrentWidget(third);
    QTest::mouseClick(dialogue.applyButton(), Qt::LeftButton);
    dialogue.tabs()->setCurrentWidget(second); // no action: Apply changes nothing
    dialogue.apply_event();
    QCOMPARE(firstRuns, 0);
    QCOMPARE(thirdRuns, 1);
}

void PagesTest::positionIsSentOnceOnReleaseOrFromOutside()
{
    QtLightSettingsWidget page;
    QSignalSpy position(&page, &QtLightSettingsWidget::light_position_signal);
    auto* altitude = page.findChild<QSlider*>(QStringLiteral("l_altitude_slider"));
    altitude->setSliderDown(true);
    altitude->setSliderPosition(90);
    QCOMPARE(position.count(), 0);
    altitude->setSliderDown(false);
    // Called from outside, the slot moves its slider and still sends only once.
    page.l_azimuth_event(45);
    QCOMPARE(position.count(), 2);
    QCOMPARE(position.at(0), QVariantList({ 90.0f, 180.0f }));
    QCOMPARE(position.at(1), QVariantList({ 90.0f, 45.0f }));
    QCOMPARE(page.findChild<QSlider*>(QStringLiteral("l_azimuth_slider"))->value(), 45);
}

QTEST_MAIN(PagesTest)
#include "PagesTest.moc"
