#include "editor/gif_export_dialog.h"

#include "controls/sphere_button.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSlider>

namespace {

constexpr int kClientWidth = 390;
constexpr int kClientHeight = 290;
constexpr int kMargin = 16;
constexpr int kRowTop = 14;
constexpr int kRowPitch = 44;
constexpr int kCaptionWidth = 150;
constexpr int kLabelHeight = 16;
constexpr int kSliderTop = 18;
constexpr int kSliderHeight = 22;
constexpr int kButtonTop = 250;
constexpr int kButtonWidth = 140;
constexpr int kButtonHeight = 25;
constexpr int kFontPixels = 12;

// Colours of the form: COLORREF for the buttons (red in the low byte).
constexpr quint32 kGreenColorref = 0x008000;
constexpr quint32 kMaroonColorref = 0x000080;
const QColor kAqua(0, 255, 255);

QFont labelFont()
{
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(kFontPixels);
    font.setBold(true);
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setFont(labelFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kAqua);
    label->setPalette(palette);
    label->setGeometry(geometry);
    return label;
}

SphereButton* makeButton(QWidget* parent, const QString& caption, quint32 colorref, int left)
{
    auto* button = new SphereButton(parent);
    button->setCaption(caption);
    button->setColor(colorref);
    button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

GifExportDialog::GifExportDialog(PanelSizeSource panelSize, QWidget* parent)
    : QDialog(parent)
    , m_panelSize(std::move(panelSize))
{
    setWindowTitle(QStringLiteral("Adjust GIF settings"));
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);

    struct Row {
        const char* caption;
        GifSettingRange range;
        QLabel** label;
        QSlider** slider;
    };
    const Row rows[] = {
        { "Image size:", kGifScaleRange, &m_sizeLabel, &m_sizeSlider },
        { "Frames per second:", kGifFpsRange, &m_fpsLabel, &m_fpsSlider },
        { "Total frame count:", kGifFramesRange, &m_framesLabel, &m_framesSlider },
        { "Objects per frame:", kGifObjectsPerFrameRange, &m_objectsLabel, &m_objectsSlider },
        { "Palette colors:", kGifColorsRange, &m_colorsLabel, &m_colorsSlider },
    };
    const int sliderWidth = kClientWidth - 2 * kMargin;
    int top = kRowTop;
    for (const Row& row : rows) {
        makeLabel(this, QString::fromLatin1(row.caption), QRect(kMargin, top, kCaptionWidth, kLabelHeight));
        *row.label = makeLabel(this, QString(),
            QRect(kMargin + kCaptionWidth, top, sliderWidth - kCaptionWidth, kLabelHeight));
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(row.range.minimum, row.range.maximum);
        slider->setSingleStep(1);
        slider->setPageStep(1);
        slider->setGeometry(kMargin, top + kSliderTop, sliderWidth, kSliderHeight);
        connect(slider, &QSlider::valueChanged, this, &GifExportDialog::refreshLabels);
        *row.slider = slider;
        top += kRowPitch;
    }

    m_createButton = makeButton(this, QStringLiteral("Create GIF"), kGreenColorref, 40);
    m_cancelButton = makeButton(this, QStringLiteral("Cancel"), kMaroonColorref, kClientWidth - 40 - kButtonWidth);
    connect(m_createButton, &SphereButton::clicked, this, &GifExportDialog::create);
    connect(m_cancelButton, &SphereButton::clicked, this, &QDialog::reject);

    // Named so that tests and tools find the controls without reaching into the dialog.
    m_sizeSlider->setObjectName(QStringLiteral("gifSizeSlider"));
    m_fpsSlider->setObjectName(QStringLiteral("gifFpsSlider"));
    m_framesSlider->setObjectName(QStringLiteral("gifFramesSlider"));
    m_objectsSlider->setObjectName(QStringLiteral("gifObjectsSlider"));
    m_colorsSlider->setObjectName(QStringLiteral("gifColorsSlider"));
    m_sizeLabel->setObjectName(QStringLiteral("gifSizeLabel"));
    m_fpsLabel->setObjectName(QStringLiteral("gifFpsLabel"));
    m_framesLabel->setObjectName(QStringLiteral("gifFramesLabel"));
    m_objectsLabel->setObjectName(QStringLiteral("gifObjectsLabel"));
    m_colorsLabel->setObjectName(QStringLiteral("gifColorsLabel"));
    m_createButton->setObjectName(QStringLiteral("createGifButton"));
    m_cancelButton->setObjectName(QStringLiteral("cancelGifButton"));
}

GifExportDialog::~GifExportDialog() = default;

GifSettingValues GifExportDialog::sliderValues() const
{
    GifSettingValues values;
    values.scale = m_sizeSlider->value();
    values.fps = m_fpsSlider->value();
    values.frames = m_framesSlider->value();
    values.objectsPerFrame = m_objectsSlider->value();
    values.colors = m_colorsSlider->value();
    return values;
}

void GifExportDialog::showEvent(QShowEvent* event)
{
    const GifSettingValues& values = m_values;
    m_sizeSlider->setValue(values.scale);
    m_fpsSlider->setValue(values.fps);
    m_framesSlider->setValue(values.frames);
    m_objectsSlider->setValue(values.objectsPerFrame);
    m_colorsSlider->setValue(values.colors);
    refreshLabels();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void GifExportDialog::keyPressEvent(QKeyEvent* event)
{
    // The sliders leave Enter to the dialog; a focused button has taken it already.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        create();
        return;
    }
    QDialog::keyPressEvent(event);
}

void GifExportDialog::refreshLabels()
{
    const QSize panel = m_panelSize ? m_panelSize() : QSize();
    m_sizeLabel->setText(QString::fromStdString(gifSizeText(panel.width(), panel.height(), m_sizeSlider->value())));
    m_fpsLabel->setText(QString::number(m_fpsSlider->value()));
    m_framesLabel->setText(QString::number(m_framesSlider->value()));
    m_objectsLabel->setText(QString::number(m_objectsSlider->value()));
    m_colorsLabel->setText(QString::number(m_colorsSlider->value()));
}

void GifExportDialog::create()
{
    m_values = sliderValues();
    accept();
}
