#include "viewer/ui/QtLightSettingsWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

Q_DECLARE_METATYPE(Vector)

namespace {

Vector vectorArg(const QList<QVariant>& args, int i)
{
    return args.at(i).value<Vector>();
}

bool same(const Vector& a, const Vector& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

QPushButton* changeButton(QtLightSettingsWidget& page, int index)
{
    QList<QPushButton*> changes;
    for (QPushButton* button : page.findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            changes << button;
    return changes.value(index);
}

} // namespace

class LightSettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void startsWithTheViewsLight();
    void cancelledColourChangesNothing();
    void chosenColourResendsAllThreeTerms();
    void sliderSendsPositionOnceOnRelease();
};

void LightSettingsTest::startsWithTheViewsLight()
{
    QtLightSettingsWidget page;
    QCOMPARE(page.ambientColour, QColor(127, 127, 127));
    QCOMPARE(page.diffuseColour, QColor(31, 31, 31));
    QCOMPARE(page.specularColour, QColor(0, 0, 0));
    QVERIFY(same(page.ambient, Vector(0.5f, 0.5f, 0.5f, 1.0f)));
    QVERIFY(same(page.diffuse, Vector(0.125f, 0.125f, 0.125f, 1.0f)));
    QCOMPARE(page.altitude, 0);
    QCOMPARE(page.azimuth, 180);

    for (const char* name : { "l_altitude_slider", "l_azimuth_slider" }) {
        auto* slider = page.findChild<QSlider*>(QLatin1String(name));
        QVERIFY(slider);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 360);
        QCOMPARE(slider->pageStep(), 10);
        QCOMPARE(slider->tickInterval(), 36);
        QCOMPARE(slider->value(), 0);
        QVERIFY(!slider->hasTracking());
    }
}

void LightSettingsTest::cancelledColourChangesNothing()
{
    QtLightSettingsWidget page;
    QColor offered;
    page.dialogs.colour = [&offered](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor();
    };
    QSignalSpy colours(&page, &QtLightSettingsWidget::light_colour_signal);
    QTest::mouseClick(changeButton(page, 0), Qt::LeftButton);
    QCOMPARE(offered, QColor(127, 127, 127));
    QCOMPARE(colours.count(), 0);
    QVERIFY(same(page.ambient, Vector(0.5f, 0.5f, 0.5f, 1.0f)));
    QCOMPARE(page.ambientColour, QColor(127, 127, 127));
}

void LightSettingsTest::chosenColourResendsAllThreeTerms()
{
    QtLightSettingsWidget page;
    page.dialogs.colour = [](const QColor&, QWidget*) { return QColor(255, 0, 51); };
    QSignalSpy colours(&page, &QtLightSettingsWidget::light_colour_signal);
    QTest::mouseClick(changeButton(page, 2), Qt::LeftButton);
    QCOMPARE(colours.count(), 1);
    QVERIFY(same(vectorArg(colours.at(0), 0), Vector(0.5f, 0.5f, 0.5f, 1.0f)));
    QVERIFY(same(vectorArg(colours.at(0), 1), Vector(0.125f, 0.125f, 0.125f, 1.0f)));
    QVERIFY(same(vectorArg(colours.at(0), 2), Vector(1.0f, 0.0f, 0.2f, 1.0f)));
    QCOMPARE(page.specularColour, QColor(255, 0, 51));
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
    QCOMPARE(position.at(0).at(0).toFloat(), 90.0f);
    QCOMPARE(position.at(0).at(1).toFloat(), 180.0f);
    QCOMPARE(page.altitude, 90);

    // Called from outside, the slot moves its slider and still sends only once.
    page.l_azimuth_event(45);
    QCOMPARE(position.count(), 2);
    QCOMPARE(position.at(1).at(0).toFloat(), 90.0f);
    QCOMPARE(position.at(1).at(1).toFloat(), 45.0f);
    QCOMPARE(page.findChild<QSlider*>(QStringLiteral("l_azimuth_slider"))->value(), 45);
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("Altitude: 90")));
    QVERIFY(labels.contains(QStringLiteral("Azimuth: 45")));
}

QTEST_MAIN(LightSettingsTest)
#include "LightSettingsTest.moc"
