#pragma once

#include "pagekit/UserDialogs.h"

#include <QString>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;

// The Classification page: the classifier's settings (patch count, weight,
// patch threshold, shortest-path mode), the .spt file buttons and the patch
// browsing buttons. It computes nothing; every action leaves as a signal that
// the main window routes to the view.
class QtMeshClassifierWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMeshClassifierWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("classifytab"));

    int numPatches = 1;
    int currentPatch = 0;
    int patchThreshold = 1;
    float weight = 0.5f;

    QLabel* numPatchesLabel = nullptr;
    QSlider* numPatchesSlider = nullptr;
    QLabel* weightLabel = nullptr;
    QSlider* weightSlider = nullptr;
    QLabel* thresholdLabel = nullptr;
    QSlider* thresholdSlider = nullptr;
    // "patch k of n" beside Previous and Next, which stop at the ends.
    QLabel* patchLabel = nullptr;
    QPushButton* previousButton = nullptr;
    QPushButton* nextButton = nullptr;

    // The .spt file questions (replaceable for tests).
    UserDialogs dialogs;

    // The dialogue's Apply while this page is current.
    void apply();

    // Shows the classifier's settings: the weight on its slider (in hundredths)
    // and label, and the shortest-path mode (0 Floyd, 1 Dijkstra) as the
    // checked button. Sends nothing.
    void showSettings(double weight, int spMode);
    // Shows a patch count on its slider and label. Sends nothing; the count a
    // classification found comes through numbpatchesEvent.
    void showPatchCount(int n);
    // Shows which of the classification's patches the view shows (shown: -1
    // none; count 0: no classification), and lets Previous and Next go only
    // where there is a patch. Sends nothing.
    void showPatches(int shown, int count);

signals:
    void meshclassify_signal();
    void numpatches_signal(int);
    void previouspatch_signal(int);
    void nextpatch_signal(int);
    void patchthresh_signal(int);
    void weight_signal(float);
    void sp_mode_signal(int);
    void loadsp_signal(QString);
    void savesp_signal(QString);

public slots:
    // Also reached from the view after a classification: the slider follows
    // the patch count found.
    void numbpatchesEvent(int n);
    void previousEvent();
    void nextEvent();
    void patchthreshEvent(int value);
    void markcurrentEvent();
    void weightEvent(int value);
    void loadEvent();
    void saveEvent();
    void floydEvent();
    void djikstraEvent();

private:
    void setPatchCountLabel(int n);
    void setWeightLabel();

    // Floyd SP (id 0) and Djikstra SP (id 1); one is always checked.
    QButtonGroup* spModeButtons = nullptr;

    // The chosen name with ".spt" unless it already ends in a three-letter
    // extension; empty when the question was cancelled.
    static QString withExtension(const QString& name);
};
