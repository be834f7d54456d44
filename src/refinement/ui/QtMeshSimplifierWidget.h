#pragma once

#include "pagekit/UserDialogs.h"

#include <QWidget>

class QLabel;
class QSlider;

// The Simplify tool page: the level of detail in percent of the vertices kept.
// Apply on the tool dialogue calls apply(), which sends the stored level.
class QtMeshSimplifierWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMeshSimplifierWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("simplifytab"));

    float levelOfDetail() const { return lod; }

    // The dialogue's Apply while this page is current. Level 0 removes the whole
    // mesh and is sent only when the user confirms it.
    void apply();

    // The confirmation of level 0 (replaceable for tests).
    UserDialogs dialogs;

signals:
    void simplifySignal(float levelOfDetail);

public slots:
    void lodEvent(int value);

private:
    float lod = 75.0f;
    QLabel* lodLabel = nullptr;
    QSlider* lodSlider = nullptr;
};
