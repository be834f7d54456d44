#include "clipping/ui/QtCLippingWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The Clipping Planes page on its own: what its file buttons send.
class ClippingPageTest : public QObject
{
    Q_OBJECT

private slots:
    void fileDialoguesSendNothingOnCancelAndAddTheSuffix();
};

void ClippingPageTest::fileDialoguesSendNothingOnCancelAndAddTheSuffix()
{
    QtCLippingWidget page;
    QSignalSpy load(&page, &QtCLippingWidget::cutplane_load_signal);
    QSignalSpy save(&page, &QtCLippingWidget::cutplane_save_signal);
    QString answer;
    page.dialogs.openFileName = page.dialogs.saveFileName
        = [&](auto, auto, auto, auto) { return answer; };

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
