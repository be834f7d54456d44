#include "clipping/ui/QtCLippingWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The Clipping Planes page on its own: what its buttons send.
class ClippingPageTest : public QObject
{
    Q_OBJECT

private slots:
    void planeButtonsKeepAtMostOnePlaneSelected();
    void fileDialoguesSendNothingOnCancelAndAddTheSuffix();
};

void ClippingPageTest::planeButtonsKeepAtMostOnePlaneSelected()
{
    QtCLippingWidget page;
    QSignalSpy select(&page, &QtCLippingWidget::cutplane_select_signal);
    QSignalSpy current(&page, &QtCLippingWidget::cutplane_resetcurrent_signal);
    QSignalSpy all(&page, &QtCLippingWidget::cutplane_resetall_signal);
    QSignalSpy showAll(&page, &QtCLippingWidget::cutplane_showall_signal);
    const auto click = [&](QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); };
    const auto taken = [](QSignalSpy& spy) {
        QList<int> values;
        while (!spy.isEmpty())
            values << spy.takeFirst().at(0).toInt();
        return values;
    };
    const auto checked = [&] {
        QList<int> planes;
        for (int i = 0; i < 6; ++i)
            if (page.planeButton(i)->isChecked())
                planes << i;
        return planes;
    };

    // Reset Current with nothing selected sends nothing.
    click(page.resetCurrentButton());
    QCOMPARE(current.count(), 0);
    // PLANE_2 while PLANE_5 is selected: PLANE_5 is deselected first.
    click(page.planeButton(4));
    click(page.planeButton(1));
    QCOMPARE(taken(select), QList<int>({ 4, 4, 1 }));
    QCOMPARE(checked(), QList<int>({ 1 }));
    click(page.resetCurrentButton());
    QCOMPARE(current.count(), 1);
    click(page.planeButton(1));
    QCOMPARE(taken(select), QList<int>({ 1 }));
    QCOMPARE(checked(), QList<int>());

    // Reset All unchecks every button, however it got checked; Show All sends the
    // state the button ends in.
    page.planeButton(5)->setChecked(true);
    click(page.resetAllButton());
    QCOMPARE(all.count(), 1);
    QCOMPARE(checked(), QList<int>());
    click(page.showAllButton());
    click(page.showAllButton());
    QCOMPARE(taken(showAll), QList<int>({ 1, 0 }));
}

void ClippingPageTest::fileDialoguesSendNothingOnCancelAndAddTheSuffix()
{
    QtCLippingWidget page;
    QSignalSpy load(&page, &QtCLippingWidget::cutplane_load_signal);
    QSignalSpy save(&page, &QtCLippingWidget::cutplane_save_signal);
    QString answer;
    const auto ask = [&](QWidget*, const QString&, const QString& dir, const QString& filter) {
        return dir == QLatin1String("data") && filter == QLatin1String("*.slc") ? answer
                                                                                : QString();
    };
    page.dialogs.openFileName = ask;
    page.dialogs.saveFileName = ask;

    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QTest::mouseClick(page.saveButton(), Qt::LeftButton);
    QCOMPARE(load.count() + save.count(), 0);
    answer = QStringLiteral("cuts/front.slc");
    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QCOMPARE(load.takeFirst().at(0).toString(), answer);
    for (const auto& [chosen, sent] : { std::pair { "cuts/front", "cuts/front.slc" },
             { "cuts/front.txt", "cuts/front.txt" }, { "a.b", "a.b.slc" } }) {
        answer = QString::fromLatin1(chosen);
        QTest::mouseClick(page.saveButton(), Qt::LeftButton);
        QCOMPARE(save.takeFirst().at(0).toString(), QString::fromLatin1(sent));
    }
}

QTEST_MAIN(ClippingPageTest)
#include "ClippingPageTest.moc"
