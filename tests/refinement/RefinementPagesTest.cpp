#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"

#include <QLabel>
#include <QLayout>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

class RefinementPagesTest : public QObject
{
    Q_OBJECT
private slots:
    void subdividePageStartsAtLevelZero();
    void subdividePageSendsOnlyRealLevels();
    void simplifierPageStartsAtSeventyFive();
    void simplifierPageSendsTheStoredLevel();
};

namespace {

QString labelText(QWidget& page, int n)
{
    return page.findChildren<QLabel*>().at(n)->text();
}

} // namespace

void RefinementPagesTest::subdividePageStartsAtLevelZero()
{
    QtMeshSubdivideWidget page;
    QCOMPARE(page.objectName(), QStringLiteral("subdividetab"));
    QCOMPARE(page.layout()->objectName(), QStringLiteral("smoothertab_blayout"));
    auto* level = page.findChild<QSlider*>("subdivlevel_slider");
    auto* weight = page.findChild<QSlider*>("weight_slider");
    QVERIFY(level && weight);
    QCOMPARE(level->minimum(), 0);
    QCOMPARE(level->maximum(), 10);
    QCOMPARE(level->value(), 0);
    QCOMPARE(level->pageStep(), 1);
    QCOMPARE(level->tickInterval(), 1);
    QCOMPARE(level->tickPosition(), QSlider::TicksBelow);
    QCOMPARE(weight->maximum(), 100);
    QCOMPARE(weight->value(), 50);
    QCOMPARE(weight->pageStep(), 5);
    QCOMPARE(weight->tickInterval(), 10);
    QVERIFY(weight->hasTracking());
    QCOMPARE(labelText(page, 0), QStringLiteral("Subdivision Level:\t0"));
    QCOMPARE(labelText(page, 1), QStringLiteral("Weight:\t0.0"));
    QCOMPARE(page.level(), 0);
    QCOMPARE(page.weight(), 0.0f);
}

void RefinementPagesTest::subdividePageSendsOnlyRealLevels()
{
    QtMeshSubdivideWidget page;
    QSignalSpy spy(&page, &QtMeshSubdivideWidget::subdivide_signal);
    page.apply();
    QCOMPARE(spy.count(), 0);

    auto* level = page.findChild<QSlider*>("subdivlevel_slider");
    auto* weight = page.findChild<QSlider*>("weight_slider");
    level->setValue(2);
    weight->setValue(25);
    QCOMPARE(labelText(page, 0), QStringLiteral("Subdivision Level:\t2"));
    QCOMPARE(labelText(page, 1), QStringLiteral("Weight:\t-0.0625"));
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
    QCOMPARE(spy.at(0).at(1).toFloat(), -0.0625f);

    weight->setValue(100);
    QCOMPARE(page.weight(), 0.125f);
    weight->setValue(0);
    QCOMPARE(page.weight(), -0.125f);
    weight->setValue(62);
    QCOMPARE(labelText(page, 1), QStringLiteral("Weight:\t0.03"));
    QCOMPARE(page.weight(), 0.03f); // the printed value reads back as the value sent

    level->setValue(0);
    page.apply();
    QCOMPARE(spy.count(), 1);
}

void RefinementPagesTest::simplifierPageStartsAtSeventyFive()
{
    QtMeshSimplifierWidget page;
    QCOMPARE(page.objectName(), QStringLiteral("simplifytab"));
    QCOMPARE(page.layout()->objectName(), QStringLiteral("smoothertab_blayout"));
    auto* lod = page.findChild<QSlider*>("threshmin_slider");
    QVERIFY(lod);
    QCOMPARE(lod->minimum(), 0);
    QCOMPARE(lod->maximum(), 100);
    QCOMPARE(lod->value(), 75);
    QCOMPARE(lod->pageStep(), 1);
    QCOMPARE(lod->tickInterval(), 5);
    QCOMPARE(lod->tickPosition(), QSlider::TicksBelow);
    QCOMPARE(labelText(page, 0), QStringLiteral("Level of Detail:\t75%"));
}

void RefinementPagesTest::simplifierPageSendsTheStoredLevel()
{
    QtMeshSimplifierWidget page;
    QSignalSpy spy(&page, &QtMeshSimplifierWidget::simplifySignal);
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toFloat(), 75.0f);
    page.findChild<QSlider*>("threshmin_slider")->setValue(30);
    QCOMPARE(labelText(page, 0), QStringLiteral("Level of Detail:\t30%"));
    page.apply();
    QCOMPARE(spy.at(1).at(0).toFloat(), 30.0f);
}

QTEST_MAIN(RefinementPagesTest)
#include "RefinementPagesTest.moc"
