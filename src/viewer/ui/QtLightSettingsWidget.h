#pragma once

#include "mesh/engine/Vector.h"
#include "pagekit/UserDialogs.h"

#include <QColor>
#include <QWidget>

class QLabel;
class QSlider;

// The "Lighting" page: colours and direction of the view's single light.
//
// The page sends every change at once: a colour change resends all three
// colour terms, a slider release sends altitude and azimuth together. The
// start values are those the view sets up for its light, so nothing needs to
// be sent before the user changes something.
class QtLightSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QtLightSettingsWidget(QWidget* parent = nullptr);

    QColor ambientColour;
    Vector ambient { 0.5f, 0.5f, 0.5f, 1.0f };
    QColor diffuseColour;
    Vector diffuse { 0.125f, 0.125f, 0.125f, 1.0f };
    QColor specularColour;
    Vector specular { 0.0f, 0.0f, 0.0f, 1.0f };
    // Degrees: altitude from the +z axis, azimuth from +x towards +y.
    int altitude = 0;
    int azimuth = 180;

    // The colour question of the "Change" buttons (replaceable for tests).
    UserDialogs dialogs;

signals:
    void light_position_signal(float altitude, float azimuth);
    void light_colour_signal(Vector ambient, Vector diffuse, Vector specular);
    // Reserved for shader programs; never emitted.
    void shader_signal(int id);

public slots:
    void load_event();
    void save_event();
    void amb_colourdlg_event();
    void dif_colourdlg_event();
    void spec_colourdlg_event();
    void l_altitude_event(int value);
    void l_azimuth_event(int value);
    void shader_combobox_event(int id);

private:
    void changeColour(QColor& colour, Vector& term, QLabel* swatch);
    void moveLight(QSlider* slider, QLabel* label, const QString& prefix, int& angle, int value);

    QLabel* ambientSwatch = nullptr;
    QLabel* diffuseSwatch = nullptr;
    QLabel* specularSwatch = nullptr;
    QLabel* altitudeLabel = nullptr;
    QLabel* azimuthLabel = nullptr;
    QSlider* altitudeSlider = nullptr;
    QSlider* azimuthSlider = nullptr;
};
