#include "viewer/ui/QtLightSettingsWidget.h"

#include "pagekit/ColourSwatch.h"
#include "pagekit/IconFile.h"
#include "pagekit/PageSlider.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QColor colourOf(const Vector& term)
{
    return QColor(int(term.x * 255.0f), int(term.y * 255.0f), int(term.z * 255.0f), 255);
}

// One "Ambient Colour:"-style group: the swatch and its "Change" button.
QGroupBox* colourGroup(const QString& title, QLabel* swatch, QPushButton* change)
{
    auto* group = new QGroupBox(title);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(swatch);
    layout->addWidget(change);
    return group;
}

QSlider* makeSlider(const char* name)
{
    // Every delivered value makes the view relight; send only on release.
    return makePageSlider({ name, 0, 360, 0, 36, 10, false });
}

} // namespace

QtLightSettingsWidget::QtLightSettingsWidget(QWidget* parent)
    : QWidget(parent)
{
    ambientColour = colourOf(ambient);
    diffuseColour = colourOf(diffuse);
    specularColour = colourOf(specular);

    auto* layout = new QVBoxLayout(this);

    auto* fileGroup = new QGroupBox(QStringLiteral("File:"), this);
    auto* fileLayout = new QHBoxLayout(fileGroup);
    auto* open = new QPushButton(
        iconFile(QStringLiteral("icons/fileopen.xpm")), QStringLiteral("Open"), fileGroup);
    open->setObjectName(QStringLiteral("open"));
    auto* save = new QPushButton(
        iconFile(QStringLiteral("icons/filesave.xpm")), QStringLiteral("Save"), fileGroup);
    save->setObjectName(QStringLiteral("save"));
    fileLayout->addWidget(open);
    fileLayout->addWidget(save);
    connect(open, &QPushButton::clicked, this, &QtLightSettingsWidget::load_event);
    connect(save, &QPushButton::clicked, this, &QtLightSettingsWidget::save_event);
    layout->addWidget(fileGroup);

    auto* preferences = new QGroupBox(QStringLiteral("Lighting Preferences:"), this);
    auto* preferencesLayout = new QVBoxLayout(preferences);
    auto* shaderGroup = new QGroupBox(QStringLiteral("Shader Programs:"), preferences);
    auto* shaderLayout = new QHBoxLayout(shaderGroup);
    auto* shaders = new QComboBox(shaderGroup);
    shaders->setObjectName(QStringLiteral("volshader_combobox"));
    shaders->addItem(QStringLiteral("default (no shaders)"));
    shaders->addItem(QStringLiteral("per pixel lighting"));
    shaders->setCurrentIndex(0);
    shaderLayout->addWidget(shaders);
    connect(shaders, &QComboBox::activated, this, &QtLightSettingsWidget::shader_combobox_event);
    preferencesLayout->addWidget(shaderGroup);

    ambientSwatch = makeColourSwatch(preferences, ambientColour);
    diffuseSwatch = makeColourSwatch(preferences, diffuseColour);
    specularSwatch = makeColourSwatch(preferences, specularColour);
    auto* ambientChange = new QPushButton(QStringLiteral("Change"), preferences);
    auto* diffuseChange = new QPushButton(QStringLiteral("Change"), preferences);
    auto* specularChange = new QPushButton(QStringLiteral("Change"), preferences);
    auto* colours = new QGridLayout;
    colours->setSpacing(5);
    colours->addWidget(
        colourGroup(QStringLiteral("Ambient Colour:"), ambientSwatch, ambientChange), 0, 0);
    colours->addWidget(
        colourGroup(QStringLiteral("Diffuse Colour:"), diffuseSwatch, diffuseChange), 0, 1);
    colours->addWidget(
        colourGroup(QStringLiteral("Specular Colour:"), specularSwatch, specularChange), 0, 2);
    preferencesLayout->addLayout(colours);
    connect(
        ambientChange, &QPushButton::clicked, this, &QtLightSettingsWidget::amb_colourdlg_event);
    connect(
        diffuseChange, &QPushButton::clicked, this, &QtLightSettingsWidget::dif_colourdlg_event);
    connect(
        specularChange, &QPushButton::clicked, this, &QtLightSettingsWidget::spec_colourdlg_event);
    layout->addWidget(preferences);

    auto* position = new QGroupBox(QStringLiteral("Light Position:"), this);
    auto* positionLayout = new QGridLayout(position);
    // The sliders start at 0 although the stored azimuth is 180: they show
    // where the user last put them, not the light.
    altitudeLabel = new QLabel(QStringLiteral("Altitude: 0"), position);
    altitudeSlider = makeSlider("l_altitude_slider");
    azimuthLabel = new QLabel(QStringLiteral("Azimuth: 0"), position);
    azimuthSlider = makeSlider("l_azimuth_slider");
    // The labels keep the width of their longest text, so that the sliders
    // stay in place as the numbers change.
    int widest = 0;
    for (const QString& text :
        { QStringLiteral("Altitude: 360"), QStringLiteral("Azimuth: 360") }) {
        const QFontMetrics metrics = altitudeLabel->fontMetrics();
        widest = std::max(
            { widest, metrics.horizontalAdvance(text), metrics.boundingRect(text).width() });
    }
    altitudeLabel->setFixedWidth(widest + 4);
    azimuthLabel->setFixedWidth(widest + 4);
    positionLayout->addWidget(altitudeLabel, 0, 0);
    positionLayout->addWidget(altitudeSlider, 0, 1);
    positionLayout->addWidget(azimuthLabel, 1, 0);
    positionLayout->addWidget(azimuthSlider, 1, 1);
    connect(altitudeSlider, &QSlider::valueChanged, this, &QtLightSettingsWidget::l_altitude_event);
    connect(azimuthSlider, &QSlider::valueChanged, this, &QtLightSettingsWidget::l_azimuth_event);
    layout->addWidget(position);
    layout->addStretch(1);

    // Nothing is connected yet; the view starts with these same values.
    emit light_colour_signal(ambient, diffuse, specular);
}

void QtLightSettingsWidget::load_event() { }

void QtLightSettingsWidget::save_event() { }

void QtLightSettingsWidget::shader_combobox_event(int id)
{
    (void)id;
}

void QtLightSettingsWidget::changeColour(QColor& colour, Vector& term, QLabel* swatch)
{
    const QColor chosen = dialogs.colour(colour, this);
    // A cancelled question answers with the invalid colour: nothing changes and
    // nothing is sent.
    if (!chosen.isValid()) {
        return;
    }
    colour = chosen;
    paintColourSwatch(swatch, colour);
    term.x = float(colour.red()) / 255.0f;
    term.y = float(colour.green()) / 255.0f;
    term.z = float(colour.blue()) / 255.0f;
    emit light_colour_signal(ambient, diffuse, specular);
}

void QtLightSettingsWidget::amb_colourdlg_event()
{
    changeColour(ambientColour, ambient, ambientSwatch);
}

void QtLightSettingsWidget::dif_colourdlg_event()
{
    changeColour(diffuseColour, diffuse, diffuseSwatch);
}

void QtLightSettingsWidget::spec_colourdlg_event()
{
    changeColour(specularColour, specular, specularSwatch);
}

void QtLightSettingsWidget::moveLight(
    QSlider* slider, QLabel* label, const QString& prefix, int& angle, int value)
{
    {
        // Called by the slider itself or from outside; either way one emission.
        const QSignalBlocker quiet(slider);
        slider->setValue(value);
    }
    angle = value;
    label->setText(prefix + QString::number(value));
    emit light_position_signal(float(altitude), float(azimuth));
}

void QtLightSettingsWidget::l_altitude_event(int value)
{
    moveLight(altitudeSlider, altitudeLabel, QStringLiteral("Altitude: "), altitude, value);
}

void QtLightSettingsWidget::l_azimuth_event(int value)
{
    moveLight(azimuthSlider, azimuthLabel, QStringLiteral("Azimuth: "), azimuth, value);
}
