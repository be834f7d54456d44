#include "viewer/ui/QtLightSettingsWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

Q_DECLARE_METATYPE(Vector)

class LightSettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void colourChoiceResendsAllThreeTermsAndCancelTurnsTheTermBlack();
    void sliderSendsPositionOnceOnRelease();
};

void LightSettingsTest::colourChoiceResendsAllThreeTermsAndCancelTurnsTheTermBlack()
{
    QtLightSettingsWidget page;
    QList<QPushButton*> changes;
    for (QPushButton* button : page.findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            changes << button;
    QCOMPARE(changes.size(), 3);
    QSignalSpy colours(&page, &QtLightSettingsWidget::light_colour_signal);
    const auto sent = [&](int call, int term) { return colours.at(call).at(term).value<Vector>(); };
    QColor offered;
    page.dialogs.colour = [&](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor(255, 0, 51);
    };
    QTest::mouseClick(changes[2], Qt::LeftButton);
    QCOMPARE(offered, QColor(0, 0, 0));
    QCOMPARE(sent(0, 0), Vector(0.5f, 0.5f, 0.5f));
    QCOMPARE(sent(0, 1), Vector(0.125f, 0.125f, 0.125f));
    QCOMPARE(sent(0, 2), Vector(1.0f, 0.0f, 0.2f));
    page.dialogs.colour = [&](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor();
    };
    QTest::mouseClick(changes[0], Qt::LeftButton);
    QCOMPARE(offered, QColor(127, 127, 127));
    QCOMPARE(sent(1, 0), Vector(0.0f, 0.0f, 0.0f));
    QCOMPARE(sent(1, 2), Vector(1.0f, 0.0f, 0.2f));
    QCOMPARE(sent(1, 0).w, 1.0f);
}

void LightSettingsTest::sliderSendsPositionOnceOnRelease()
{
    QtLightSettingsWidget page;
    QSignalSpy position(&page, &QtLightSettingsWidget::light_position_signal);
    auto* altitude = page.findChild<QSlider*>(QStringLiteral("l_altitude_slider"));
    altitude->setSliderDown(true);
    altitude->setSliderPosition(90);
    QCOMPARE(position.count(), 0);
    altitude->setSliderDown(false);
    QCOMPARE(position.count(), 1);
    QCOMPARE(position.at(0), QVariantList({ 90.0f, 180.0f }));
    // Called from outside, the slot moves its slider and still sends only once.
    page.l_azimuth_event(45);
    QCOMPARE(position.count(), 2);
    QCOMPARE(position.at(1), QVariantList({ 90.0f, 45.0f }));
    QCOMPARE(page.findChild<QSlider*>(QStringLiteral("l_azimuth_slider"))->value(), 45);
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("Altitude: 90")));
    QVERIFY(labels.contains(QStringLiteral("Azimuth: 45")));
}

QTEST_MAIN(LightSettingsTest)
#include "LightSettingsTest.moc"
