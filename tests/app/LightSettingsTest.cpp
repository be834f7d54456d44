#include "viewer/ui/QtLightSettingsWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

Q_DECLARE_METATYPE(Vector)

class LightSettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void colourChoiceResendsAllThreeTermsAndCancelChangesNothing();
    void positionIsSentOnceOnReleaseOrFromOutside();
};

void LightSettingsTest::colourChoiceResendsAllThreeTermsAndCancelChangesNothing()
{
    QtLightSettingsWidget page;
    QList<QPushButton*> changes;
    for (QPushButton* button : page.findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            changes << button;
    QSignalSpy colours(&page, &QtLightSettingsWidget::light_colour_signal);
    QList<QColor> offered;
    QColor answer(255, 0, 51);
    page.dialogs.colour = [&](const QColor& initial, QWidget*) {
        offered << initial;
        return answer;
    };
    QTest::mouseClick(changes.value(2), Qt::LeftButton); // specular
    answer = QColor();
    QTest::mouseClick(changes.value(0), Qt::LeftButton); // ambient, cancelled
    QCOMPARE(offered, QList<QColor>({ QColor(0, 0, 0), QColor(127, 127, 127) }));
    QCOMPARE(colours.count(), 1);
    const auto sent = [&](int call, int term) { return colours.at(call).at(term).value<Vector>(); };
    QCOMPARE(sent(0, 0), Vector(0.5f, 0.5f, 0.5f));
    QCOMPARE(sent(0, 1), Vector(0.125f, 0.125f, 0.125f));
    QCOMPARE(sent(0, 2), Vector(1.0f, 0.0f, 0.2f));
    QCOMPARE(page.ambientColour, QColor(127, 127, 127));
}

void LightSettingsTest::positionIsSentOnceOnReleaseOrFromOutside()
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

QTEST_MAIN(LightSettingsTest)
#include "LightSettingsTest.moc"
