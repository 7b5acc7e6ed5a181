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
        { "Image size:", kGifScaleRange, &labelSize, &sliderSize },
        { "Frames per second:", kGifFpsRange, &labelFps, &sliderFps },
        { "Total frame count:", kGifFramesRange, &labelFrames, &sliderFrames },
        { "Objects per frame:", kGifObjectsPerFrameRange, &labelObjects, &sliderObjects },
        { "Palette colors:", kGifColorsRange, &labelColors, &sliderColors },
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

    buttonCreate = makeButton(this, QStringLiteral("Create GIF"), kGreenColorref, 40);
    buttonCancel = makeButton(this, QStringLiteral("Cancel"), kMaroonColorref, kClientWidth - 40 - kButtonWidth);
    connect(buttonCreate, &SphereButton::clicked, this, &GifExportDialog::buttonCreateClick);
    connect(buttonCancel, &SphereButton::clicked, this, &QDialog::reject);
}

GifExportDialog::~GifExportDialog() = default;

GifSettingValues GifExportDialog::sliderValues() const
{
    GifSettingValues values;
    values.scale = sliderSize->value();
    values.fps = sliderFps->value();
    values.frames = sliderFrames->value();
    values.objectsPerFrame = sliderObjects->value();
    values.colors = sliderColors->value();
    return values;
}

void GifExportDialog::showEvent(QShowEvent* event)
{
    const GifSettingValues& values = m_values;
    sliderSize->setValue(values.scale);
    sliderFps->setValue(values.fps);
    sliderFrames->setValue(values.frames);
    sliderObjects->setValue(values.objectsPerFrame);
    sliderColors->setValue(values.colors);
    refreshLabels();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void GifExportDialog::keyPressEvent(QKeyEvent* event)
{
    // The sliders leave Enter to the dialog; a focused button has taken it already.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        buttonCreateClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void GifExportDialog::refreshLabels()
{
    const QSize panel = m_panelSize ? m_panelSize() : QSize();
    labelSize->setText(QString::fromStdString(gifSizeText(panel.width(), panel.height(), sliderSize->value())));
    labelFps->setText(QString::number(sliderFps->value()));
    labelFrames->setText(QString::number(sliderFrames->value()));
    labelObjects->setText(QString::number(sliderObjects->value()));
    labelColors->setText(QString::number(sliderColors->value()));
}

void GifExportDialog::buttonCreateClick()
{
    m_values = sliderValues();
    accept();
}
