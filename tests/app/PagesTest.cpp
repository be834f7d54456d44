// The dialogue pages that need no GL.
#include "app/ui/QtMeshEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

Q_DECLARE_METATYPE(Vector)

class PagesTest : public QObject
{
    Q_OBJECT
private slots:
    void applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone();
    void colourChoiceResendsAllThreeTerms();
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
    // Close only hides.
    dialogue.show();
    QTest::mouseClick(dialogue.closeButton(), Qt::LeftButton);
    QVERIFY(!dialogue.isVisible());
}

// A cancelled choice is checked with the window's other colour dialogues.
void PagesTest::colourChoiceResendsAllThreeTerms()
{
    QtLightSettingsWidget page;
    QSignalSpy colours(&page, &QtLightSettingsWidget::light_colour_signal);
    QColor offered;
    page.dialogs.colour = [&](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor(255, 0, 51);
    };
    QList<QPushButton*> changes;
    for (QPushButton* button : page.findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            changes << button;
    QTest::mouseClick(changes.value(2), Qt::LeftButton); // specular
    QCOMPARE(offered, QColor(0, 0, 0));
    QCOMPARE(colours.count(), 1);
    QCOMPARE(colours.at(0),
        QVariantList({ QVariant::fromValue(Vector(0.5f, 0.5f, 0.5f)),
            QVariant::fromValue(Vector(0.125f, 0.125f, 0.125f)),
            QVariant::fromValue(Vector(1.0f, 0.0f, 0.2f)) }));
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
