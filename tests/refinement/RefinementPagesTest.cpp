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
    void subdividePageSendsOnlyRealLevelsWithThePrintedWeight();
    void simplifierPageSendsTheStoredLevelFromSeventyFive();
};

namespace {

QString labels(QWidget& page)
{
    QStringList texts;
    for (QLabel* label : page.findChildren<QLabel*>())
        texts << label->text();
    return texts.join(QLatin1Char('|'));
}

} // namespace

void RefinementPagesTest::subdividePageSendsOnlyRealLevelsWithThePrintedWeight()
{
    QtMeshSubdivideWidget page;
    QSignalSpy spy(&page, &QtMeshSubdivideWidget::subdivide_signal);
    auto* level = page.findChild<QSlider*>(QStringLiteral("subdivlevel_slider"));
    auto* weight = page.findChild<QSlider*>(QStringLiteral("weight_slider"));
    QCOMPARE(labels(page), QStringLiteral("Subdivision Level:\t0|Weight:\t0.0"));
    page.apply(); // level 0 is no subdivision: nothing is sent
    QCOMPARE(spy.count(), 0);
    level->setValue(2);
    weight->setValue(25);
    QCOMPARE(labels(page), QStringLiteral("Subdivision Level:\t2|Weight:\t-0.0625"));
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), QVariantList({ 2, -0.0625f }));
    // The slider's end is the tension's end; the printed value is the one sent.
    weight->setValue(0);
    QCOMPARE(page.weight(), -0.125f);
    weight->setValue(62);
    QCOMPARE(labels(page), QStringLiteral("Subdivision Level:\t2|Weight:\t0.03"));
    QCOMPARE(page.weight(), 0.03f);
}

void RefinementPagesTest::simplifierPageSendsTheStoredLevelFromSeventyFive()
{
    QtMeshSimplifierWidget page;
    QSignalSpy spy(&page, &QtMeshSimplifierWidget::simplifySignal);
    QCOMPARE(labels(page), QStringLiteral("Level of Detail:\t75%"));
    page.apply();
    page.findChild<QSlider*>(QStringLiteral("threshmin_slider"))->setValue(30);
    QCOMPARE(labels(page), QStringLiteral("Level of Detail:\t30%"));
    page.apply();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toFloat(), 75.0f);
    QCOMPARE(spy.at(1).at(0).toFloat(), 30.0f);
}

QTEST_MAIN(RefinementPagesTest)
#include "RefinementPagesTest.moc"
