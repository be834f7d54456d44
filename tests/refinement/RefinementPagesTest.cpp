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

QString labelText(QWidget& page, int n)
{
    return page.findChildren<QLabel*>().at(n)->text();
}

// Minimum, maximum and value: the levels a user can send, and the one sent untouched.
QList<int> range(const QSlider* s)
{
    return s ? QList<int> { s->minimum(), s->maximum(), s->value() } : QList<int> {};
}

} // namespace

void RefinementPagesTest::subdividePageSendsOnlyRealLevelsWithThePrintedWeight()
{
    QtMeshSubdivideWidget page;
    QSignalSpy spy(&page, &QtMeshSubdivideWidget::subdivide_signal);
    auto* level = page.findChild<QSlider*>(QStringLiteral("subdivlevel_slider"));
    auto* weight = page.findChild<QSlider*>(QStringLiteral("weight_slider"));
    QCOMPARE(range(level), QList<int>({ 0, 10, 0 }));
    QCOMPARE(range(weight), QList<int>({ 0, 100, 50 }));
    QCOMPARE(labelText(page, 0), QStringLiteral("Subdivision Level:\t0"));
    QCOMPARE(labelText(page, 1), QStringLiteral("Weight:\t0.0"));
    // Level 0 is no subdivision: nothing is sent.
    page.apply();
    QCOMPARE(spy.count(), 0);

    level->setValue(2);
    weight->setValue(25);
    QCOMPARE(labelText(page, 0), QStringLiteral("Subdivision Level:\t2"));
    QCOMPARE(labelText(page, 1), QStringLiteral("Weight:\t-0.0625"));
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
    QCOMPARE(spy.at(0).at(1).toFloat(), -0.0625f);

    // The ends of the slider are the ends of the tension; the printed value is the one sent.
    weight->setValue(100);
    QCOMPARE(page.weight(), 0.125f);
    weight->setValue(0);
    QCOMPARE(page.weight(), -0.125f);
    weight->setValue(62);
    QCOMPARE(labelText(page, 1), QStringLiteral("Weight:\t0.03"));
    QCOMPARE(page.weight(), 0.03f);
}

void RefinementPagesTest::simplifierPageSendsTheStoredLevelFromSeventyFive()
{
    QtMeshSimplifierWidget page;
    QSignalSpy spy(&page, &QtMeshSimplifierWidget::simplifySignal);
    auto* lod = page.findChild<QSlider*>(QStringLiteral("threshmin_slider"));
    QCOMPARE(range(lod), QList<int>({ 0, 100, 75 }));
    QCOMPARE(labelText(page, 0), QStringLiteral("Level of Detail:\t75%"));
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toFloat(), 75.0f);
    lod->setValue(30);
    QCOMPARE(labelText(page, 0), QStringLiteral("Level of Detail:\t30%"));
    page.apply();
    QCOMPARE(spy.at(1).at(0).toFloat(), 30.0f);
}

QTEST_MAIN(RefinementPagesTest)
#include "RefinementPagesTest.moc"
