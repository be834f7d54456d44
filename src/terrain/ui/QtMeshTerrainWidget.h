#pragma once

#include "pagekit/UserDialogs.h"
#include "terrain/engine/TerrainBuilder.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class Mesh;
class Progress;
class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QSlider;
class QTreeWidget;
class QTreeWidgetItem;

// The Terrain page: a height map with its preview, the grid resolution, grid
// scale and height scale, and the list of colour stops for colouring by height.
// Apply on the tool dialogue calls buildTerrain(), which builds straight into
// the view's mesh (the one page that holds the mesh), then tells the view.
class QtMeshTerrainWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtMeshTerrainWidget(
        QWidget* parent = nullptr, const QString& name = QStringLiteral("terraintab"));

    // The view's current mesh, handed over by the main window.
    Mesh* mesh = nullptr;
    // 256 x 256, red and blue swapped from the file; black at the start.
    QPixmap heightmap;
    int gridResolution = 256;
    int gridScale = 256;
    int heightScale = 256;
    // The stops as last exported from the list (the list is the authority).
    std::vector<QColor> colours;
    std::vector<float> values;
    // Row being edited, -1 while a new stop is being added.
    int editIndex = -1;
    QColor pickedColour;

    // The file and colour questions (replaceable for tests).
    UserDialogs dialogs;
    // Runs a stop dialogue modally; tests replace it to answer the dialogue.
    std::function<void(QDialog&)> runStopDialog;

    // The height-map file shown, empty while the black start map is.
    QString heightMapFile;
    // Where the window sends a build so that it runs as a step of the
    // workbench: the height-map file and the three numbers. Unset:
    // buildTerrain() builds at once.
    std::function<void(const QString& heightMapFile, const TerrainParameters& parameters)>
        buildRunner;

    // Replaces the mesh by the terrain of the height map and the three numbers:
    // through buildRunner when set, else at once into `mesh`, then emits
    // terrainbuilt_signal() on success.
    void buildTerrain();

    QTreeWidget* stopList() const { return stops; }
    // The stop dialogue while it is open, else null.
    QDialog* stopDialog() const { return dialog; }
    QLineEdit* stopValueEdit() const { return valueEdit; }
    QLabel* stopSwatch() const { return swatch; }
    QLabel* preview() const { return previewLabel; }
    // Why the last height map was refused; empty after a good load.
    QString loadMessage() const;
    bool useColourStops() const;

signals:
    void build_vertexcolours_signal(std::vector<QColor> colours, std::vector<float> values);
    // The terrain replaced the view's mesh: the view treats it as a mesh read from a file.
    void terrainbuilt_signal();
    // Whether colouring by height interpolates the stops instead of the hue ramp.
    void usecolourstops_signal(bool on);

public slots:
    void heightmapload_event();
    void height_event(int value);
    void gridres_event(int value);
    void gridsize_event(int value);
    void addcol_event();
    void delcol_event();
    void pickcol_event();
    void ok_event();
    void cancel_event();
    void itemDoubleClickedSlot(QTreeWidgetItem* item, int column);

private:
    void openStopDialog(const QString& name, const QString& valueText);
    // colours and values from the rows, then the signal.
    void exportStops();
    void useColourStopsToggled(bool on);

    QLabel* previewLabel = nullptr;
    QLabel* statusLabel = nullptr;
    QTreeWidget* stops = nullptr;
    QCheckBox* useStopsBox = nullptr;
    QLabel* resolutionLabel = nullptr;
    QSlider* resolutionSlider = nullptr;
    QLabel* scaleLabel = nullptr;
    QSlider* scaleSlider = nullptr;
    QLabel* heightLabel = nullptr;
    QSlider* heightSlider = nullptr;
    QDialog* dialog = nullptr;
    QLabel* swatch = nullptr;
    QLineEdit* valueEdit = nullptr;
};
