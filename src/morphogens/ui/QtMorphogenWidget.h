#pragma once

#include "pagekit/UserDialogs.h"

#include <QColor>
#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Morphogens tool page: one tree row per morphogen of the loaded mesh (on/off
// check box, name, colour swatch), the base colour and the mixing mode. Every
// change sends the whole setting with buildvertexcolour_signal, so the mesh is
// recoloured at once; the setting is saved to and loaded from ".mor" files.
//
// The colour, toggle and name lists always have one entry per tree row.
class QtMorphogenWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMorphogenWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("morphotab"));

    int mixMode() const { return mixmode; }
    QColor baseColour() const { return basecolour; }
    const std::vector<QColor>& colours() const { return morphocolours; }
    const std::vector<std::string>& names() const { return morphonames; }
    const std::vector<int>& toggles() const { return tooglestates; }
    QTreeWidget* tree() const { return treeWidget; }
    // The last problem with a file, as the page shows it; empty after success.
    QString statusText() const;

    // The file and colour questions (replaceable for tests).
    UserDialogs dialogs;

signals:
    void buildvertexcolour_signal(int mixmode, std::vector<int> tooglestates,
        std::vector<QColor> colours, QColor defaultcolour);
    void gettreeitem_signal();

public slots:
    // The names of a newly loaded mesh: one unchecked row each, no colour yet.
    // Sends nothing.
    void buildtree_slot(std::vector<std::string>& names);
    void saveSlot();
    void loadSlot();
    void itemClickedSlot(QTreeWidgetItem* item, int column);
    void pickcolpressed_slot();
    void additiveclick_slot();
    void substractiveclick_slot();

private:
    void emitSetting();
    void rebuildTree();
    void setRowSwatch(int row);
    void showStatus(const QString& text);

    int mixmode = 0;
    QColor basecolour { 0, 0, 0 };
    std::vector<QColor> morphocolours;
    std::vector<std::string> morphonames;
    std::vector<int> tooglestates;

    QLabel* baseSwatch = nullptr;
    QRadioButton* additiveButton = nullptr;
    QRadioButton* subtractiveButton = nullptr;
    QTreeWidget* treeWidget = nullptr;
    QLabel* statusLabel = nullptr;
};
