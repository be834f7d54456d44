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
    void colourChoiceResendsAllThreeTerms();
    void positionIsSentOnceOnReleaseOrFromOutside();
};

// A cancelled choice is checked with the window's other colour dialogues.
void LightSettingsTest::colourChoiceResendsAllThreeTerms()
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
    QCOMPARE(colours.at(0), QVariantList({ QVariant::fromValue(Vector(0.5f, 0.5f, 0.5f)),
        QVariant::fromValue(Vector(0.125f, 0.125f, 0.125f)), QVariant::fromValue(Vector(1.0f, 0.0f, 0.2f)) }));
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
