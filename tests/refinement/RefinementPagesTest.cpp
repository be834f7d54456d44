#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

class RefinementPagesTest : public QObject
{
    Q_OBJECT
private slots:
    void subdivideSendsOnlyRealLevelsWithThePrintedWeight();
    void simplifierSendsTheStoredLevelFromSeventyFive();
};

void RefinementPagesTest::subdivideSendsOnlyRealLevelsWithThePrintedWeight()
{
    QtMeshSubdivideWidget page;
    QSignalSpy spy(&page, &QtMeshSubdivideWidget::subdivide_signal);
    auto* weight = page.findChild<QSlider*>(QStringLiteral("weight_slider"));
    page.apply(); // level 0 is no subdivision: nothing is sent
    page.findChild<QSlider*>(QStringLiteral("subdivlevel_slider"))->setValue(2);
    weight->setValue(25);
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), QVariantList({ 2, -0.0625f }));
    // The slider's end is the tension's end; the printed value is the one sent.
    weight->setValue(0);
    QCOMPARE(page.weight(), -0.125f);
    weight->setValue(62);
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("Weight:\t0.03")));
    QCOMPARE(page.weight(), 0.03f);
}

void RefinementPagesTest::simplifierSendsTheStoredLevelFromSeventyFive()
{
    QtMeshSimplifierWidget page;
    QSignalSpy spy(&page, &QtMeshSimplifierWidget::simplifySignal);
    page.apply();
    page.findChild<QSlider*>(QStringLiteral("threshmin_slider"))->setValue(30);
    page.apply();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toFloat(), 75.0f);
    QCOMPARE(spy.at(1).at(0).toFloat(), 30.0f);
}

QTEST_MAIN(RefinementPagesTest)
#include "RefinementPagesTest.moc"
