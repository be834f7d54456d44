#include "clipping/ui/QtCLippingWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The Clipping Planes page on its own: what its buttons send.
class ClippingPageTest : public QObject
{
    Q_OBJECT

private:
    static QList<int> ints(QSignalSpy& spy)
    {
        QList<int> values;
        for (const QList<QVariant>& args : spy) {
            values << args.at(0).toInt();
        }
        spy.clear();
        return values;
    }
    static QList<bool> checked(const QtCLippingWidget& page)
    {
        QList<bool> states;
        for (int i = 0; i < 6; ++i) {
            states << page.planeButton(i)->isChecked();
        }
        return states;
    }

private slots:
    void onePlaneSelectedAtATime();
    void resetsAndShowAll();
    void fileDialoguesNameTheFile();
};

void ClippingPageTest::onePlaneSelectedAtATime()
{
    QtCLippingWidget page;
    QCOMPARE(page.objectName(), QStringLiteral("clippingtab"));
    QSignalSpy select(&page, &QtCLippingWidget::cutplane_select_signal);

    QTest::mouseClick(page.planeButton(4), Qt::LeftButton);
    QCOMPARE(ints(select), QList<int>({ 4 }));
    // PLANE_2 while PLANE_5 is selected: PLANE_5 goes first.
    QTest::mouseClick(page.planeButton(1), Qt::LeftButton);
    QCOMPARE(ints(select), QList<int>({ 4, 1 }));
    QCOMPARE(checked(page), QList<bool>({ false, true, false, false, false, false }));
    // The checked button again: only its own toggle.
    QTest::mouseClick(page.planeButton(1), Qt::LeftButton);
    QCOMPARE(ints(select), QList<int>({ 1 }));
    QCOMPARE(checked(page), QList<bool>(6, false));
}

void ClippingPageTest::resetsAndShowAll()
{
    QtCLippingWidget page;
    QSignalSpy current(&page, &QtCLippingWidget::cutplane_resetcurrent_signal);
    QSignalSpy all(&page, &QtCLippingWidget::cutplane_resetall_signal);
    QSignalSpy showAll(&page, &QtCLippingWidget::cutplane_showall_signal);

    QTest::mouseClick(page.resetCurrentButton(), Qt::LeftButton);
    QCOMPARE(current.count(), 0);
    QTest::mouseClick(page.planeButton(2), Qt::LeftButton);
    QTest::mouseClick(page.resetCurrentButton(), Qt::LeftButton);
    QCOMPARE(current.count(), 1);
    QCOMPARE(checked(page)[2], true);

    // Reset All unchecks every button, however it got checked.
    page.planeButton(5)->setChecked(true);
    QTest::mouseClick(page.resetAllButton(), Qt::LeftButton);
    QCOMPARE(all.count(), 1);
    QCOMPARE(checked(page), QList<bool>(6, false));

    // Show All sends the state the button ends in.
    QTest::mouseClick(page.showAllButton(), Qt::LeftButton);
    QVERIFY(page.showAllButton()->isChecked());
    QTest::mouseClick(page.showAllButton(), Qt::LeftButton);
    QVERIFY(!page.showAllButton()->isChecked());
    QCOMPARE(ints(showAll), QList<int>({ 1, 0 }));
}

void ClippingPageTest::fileDialoguesNameTheFile()
{
    QtCLippingWidget page;
    QCOMPARE(page.loadButton()->objectName(), QStringLiteral("open"));
    QCOMPARE(page.saveButton()->objectName(), QStringLiteral("save"));
    QSignalSpy load(&page, &QtCLippingWidget::cutplane_load_signal);
    QSignalSpy save(&page, &QtCLippingWidget::cutplane_save_signal);
    QString answer;
    QString askedDir, askedFilter;
    const auto ask = [&](QWidget*, const QString&, const QString& dir, const QString& filter) {
        askedDir = dir;
        askedFilter = filter;
        return answer;
    };
    page.dialogs.openFileName = ask;
    page.dialogs.saveFileName = ask;

    // Cancelled dialogues send nothing.
    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QTest::mouseClick(page.saveButton(), Qt::LeftButton);
    QCOMPARE(load.count() + save.count(), 0);
    QCOMPARE(askedDir, QStringLiteral("data"));
    QCOMPARE(askedFilter, QStringLiteral("*.slc"));

    answer = QStringLiteral("cuts/front.slc");
    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QCOMPARE(load.takeFirst().at(0).toString(), answer);

    const QList<QPair<QString, QString>> names = {
        { QStringLiteral("cuts/front"), QStringLiteral("cuts/front.slc") },
        { QStringLiteral("cuts/front.txt"), QStringLiteral("cuts/front.txt") },
        { QStringLiteral("cuts/front.slc"), QStringLiteral("cuts/front.slc") },
        { QStringLiteral("a.b"), QStringLiteral("a.b.slc") },
    };
    for (const auto& [chosen, sent] : names) {
        answer = chosen;
        QTest::mouseClick(page.saveButton(), Qt::LeftButton);
        QCOMPARE(save.takeFirst().at(0).toString(), sent);
    }
}

QTEST_MAIN(ClippingPageTest)
#include "ClippingPageTest.moc"
