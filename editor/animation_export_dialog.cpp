#include "editor/animation_export_dialog.h"

#include "controls/sphere_button.h"
#include "export/animation_size_estimate.h"
#include "pixels/argb_image.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QElapsedTimer>
#include <QSlider>
#include <QTimer>

#include <atomic>
#include <exception>
#include <optional>
#include <thread>

namespace {

constexpr int kClientWidth = 390;
constexpr int kClientHeight = 384;
constexpr int kMargin = 16;
constexpr int kFormatTop = 14;
constexpr int kFormatButtonWidth = 64;
constexpr int kFormatButtonGap = 8;
constexpr int kFormatButtonHeight = 22;
constexpr int kRowTop = 50;
constexpr int kRowPitch = 44;
constexpr int kCaptionWidth = 150;
constexpr int kLabelHeight = 16;
constexpr int kSliderTop = 18;
constexpr int kSliderHeight = 22;
constexpr int kCheckBoxHeight = 22;
constexpr int kEstimateTop = 318;
constexpr int kButtonTop = 344;
constexpr int kButtonWidth = 140;
constexpr int kButtonHeight = 25;
constexpr int kFontPixels = 12;
// How often an estimate under way is looked at: the live view draws the largest frame gap
// (256 sprites) in about 80 ms, and a small frame encodes in a few.
constexpr int kEstimatePollMilliseconds = 20;
// How long the estimate waits for the live view to draw the frame gap before it takes the
// picture as standing still.
constexpr int kStillPictureMilliseconds = 500;
// The bit-rate slider moves by 100 kbit/s, and by 1000 a page.
constexpr int kBitRateStepKilobits = 100;
constexpr int kBitRatePageKilobits = 1000;
constexpr int kQualityPageStep = 10;

// Colours of the form: COLORREF for the buttons (red in the low byte).
constexpr quint32 kGreenColorref = 0x008000;
constexpr quint32 kMaroonColorref = 0x000080;
constexpr quint32 kNavyColorref = 0x800000;
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

SphereButton* makeButton(QWidget* parent, const QString& caption, quint32 colorref, const QRect& geometry)
{
    auto* button = new SphereButton(parent);
    button->setCaption(caption);
    button->setColor(colorref);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QString formatName(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Webp:
        return QStringLiteral("WebP");
    case AnimationFormat::Webm:
        return QStringLiteral("WebM");
    case AnimationFormat::Gif:
        break;
    }
    return QStringLiteral("GIF");
}

} // namespace

// One estimate: its own copies of the two pictures and of the values. The second picture is
// taken once the live view has drawn secondSprites sprites (or it stood still too long); then
// the files are encoded on a thread of its own, and done is set last, after bytes.
struct AnimationExportDialog::EstimateJob {
    AnimationSettings settings;
    ArgbImage first;
    ArgbImage second;
    int64_t secondSprites = 0;
    QElapsedTimer sinceFirst;
    bool encoding = false;
    std::optional<int64_t> bytes;
    std::atomic<bool> done { false };
    std::thread thread;

    ~EstimateJob()
    {
        if (thread.joinable())
            thread.join();
    }

    void encode()
    {
        encoding = true;
        thread = std::thread([this] {
            try {
                bytes = estimatedAnimationBytes(settings, sampleFileBytes(first, second, settings));
            } catch (const std::exception&) {
                // Pictures the writer refuses have no estimate.
                bytes.reset();
            }
            done = true;
        });
    }
};

AnimationExportDialog::AnimationExportDialog(PanelSizeSource panelSize, QWidget* parent)
    : QDialog(parent)
    , m_panelSize(std::move(panelSize))
{
    setWindowTitle(QStringLiteral("Adjust GIF settings"));
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);

    // The format choice comes first in the Tab order, as it decides what follows.
    buildFormatButtons();
    buildSettingRows();
    buildLosslessBox();
    buildEstimateLine();
    buildDialogButtons();

    m_estimatePoll = new QTimer(this);
    m_estimatePoll->setInterval(kEstimatePollMilliseconds);
    connect(m_estimatePoll, &QTimer::timeout, this, &AnimationExportDialog::pollEstimate);

    chooseFormat(AnimationFormat::Gif);
}

// Controls are named (objectName) so that tests and tools find them without reaching into
// the dialog.

void AnimationExportDialog::buildFormatButtons()
{
    makeLabel(this, QStringLiteral("File format:"), QRect(kMargin, kFormatTop + 3, kCaptionWidth, kLabelHeight));
    struct FormatButton {
        SphereButton** button;
        AnimationFormat format;
        const char* name;
    };
    const FormatButton buttons[] = {
        { &m_gifButton, AnimationFormat::Gif, "gifFormatButton" },
        { &m_webpButton, AnimationFormat::Webp, "webpFormatButton" },
        { &m_webmButton, AnimationFormat::Webm, "webmFormatButton" },
    };
    int left = kMargin + kCaptionWidth;
    for (const FormatButton& place : buttons) {
        const AnimationFormat format = place.format;
        SphereButton* button = makeButton(this, formatName(format), kNavyColorref,
            QRect(left, kFormatTop, kFormatButtonWidth, kFormatButtonHeight));
        button->setObjectName(QString::fromLatin1(place.name));
        button->setAccessibleName(formatName(format) + QStringLiteral(" format"));
        // A row of tabs: the reader hears the chosen one as selected.
        button->setIsTab(true);
        connect(button, &SphereButton::clicked, this, [this, format] { chooseFormat(format); });
        *place.button = button;
        left += kFormatButtonWidth + kFormatButtonGap;
    }
}

void AnimationExportDialog::buildSettingRows()
{
    struct Row {
        const char* caption;
        const char* accessibleName;
        const char* sliderName;
        const char* labelName;
        AnimationSettingRange range;
        int row;
        QLabel** label;
        QSlider** slider;
        QList<QWidget*>* onlyFor; // null: shown for every format
    };
    const Row rows[] = {
        { "Image size:", "Image size", "frameSizeSlider", "frameSizeLabel", kFrameScaleRange, 0, &m_sizeLabel, &m_sizeSlider,
            nullptr },
        { "Frames per second:", "Frames per second", "frameRateSlider", "frameRateLabel", kGifFpsRange, 1, &m_fpsLabel,
            &m_fpsSlider, nullptr },
        { "Total frame count:", "Total frame count", "frameCountSlider", "frameCountLabel", kFrameCountRange, 2,
            &m_framesLabel, &m_framesSlider, nullptr },
        { "Objects per frame:", "Objects per frame", "objectsPerFrameSlider", "objectsPerFrameLabel", kObjectsPerFrameRange, 3,
            &m_objectsLabel, &m_objectsSlider, nullptr },
        { "Palette colors:", "Palette colors", "gifColorsSlider", "gifColorsLabel", kGifColorsRange, 4, &m_colorsLabel,
            &m_colorsSlider, &m_gifOnly },
        { "Quality:", "WebP quality", "webpQualitySlider", "webpQualityLabel", kWebpQualityRange, 4,
            &m_webpQualityLabel, &m_webpQualitySlider, &m_webpOnly },
        { "Quality level:", "WebM quality level", "webmQualitySlider", "webmQualityLabel", kWebmQualityRange, 4,
            &m_webmQualityLabel, &m_webmQualitySlider, &m_webmOnly },
        { "Bit rate:", "WebM bit rate", "webmBitRateSlider", "webmBitRateLabel", kWebmBitRateRange, 5,
            &m_webmBitRateLabel, &m_webmBitRateSlider, &m_webmOnly },
    };
    const int sliderWidth = kClientWidth - 2 * kMargin;
    for (const Row& row : rows) {
        const int top = kRowTop + row.row * kRowPitch;
        QLabel* caption
            = makeLabel(this, QString::fromLatin1(row.caption), QRect(kMargin, top, kCaptionWidth, kLabelHeight));
        *row.label = makeLabel(this, QString(),
            QRect(kMargin + kCaptionWidth, top, sliderWidth - kCaptionWidth, kLabelHeight));
        (*row.label)->setObjectName(QString::fromLatin1(row.labelName));
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QString::fromLatin1(row.sliderName));
        slider->setRange(row.range.minimum, row.range.maximum);
        slider->setSingleStep(1);
        slider->setPageStep(1);
        slider->setGeometry(kMargin, top + kSliderTop, sliderWidth, kSliderHeight);
        slider->setAccessibleName(QString::fromLatin1(row.accessibleName));
        connect(slider, &QSlider::valueChanged, this, [this] {
            refreshLabels();
            requestEstimate();
        });
        *row.slider = slider;
        if (row.onlyFor)
            *row.onlyFor << caption << *row.label << slider;
    }
    m_webpQualitySlider->setPageStep(kQualityPageStep);
    m_webmQualitySlider->setPageStep(kQualityPageStep);
    m_webmBitRateSlider->setSingleStep(kBitRateStepKilobits);
    m_webmBitRateSlider->setPageStep(kBitRatePageKilobits);
}

void AnimationExportDialog::buildLosslessBox()
{
    m_losslessBox = makeButton(this, QStringLiteral("Lossless"), kNavyColorref,
        QRect(kMargin, kRowTop + 5 * kRowPitch + kSliderTop, kCaptionWidth, kCheckBoxHeight));
    m_losslessBox->setObjectName(QStringLiteral("webpLosslessBox"));
    m_losslessBox->setIsCheckBox(true);
    connect(m_losslessBox, &SphereButton::clicked, this, [this] {
        refreshLabels();
        requestEstimate();
    });
    m_webpOnly << m_losslessBox;
}

void AnimationExportDialog::buildEstimateLine()
{
    const int lineWidth = kClientWidth - 2 * kMargin - kCaptionWidth;
    makeLabel(this, QStringLiteral("File size:"), QRect(kMargin, kEstimateTop, kCaptionWidth, kLabelHeight));
    m_estimateLabel = makeLabel(this, QString(), QRect(kMargin + kCaptionWidth, kEstimateTop, lineWidth, kLabelHeight));
    m_estimateLabel->setObjectName(QStringLiteral("estimateLabel"));
}

void AnimationExportDialog::buildDialogButtons()
{
    m_createButton = makeButton(this, QStringLiteral("Create GIF"), kGreenColorref,
        QRect(40, kButtonTop, kButtonWidth, kButtonHeight));
    m_createButton->setObjectName(QStringLiteral("createAnimationButton"));
    m_cancelButton = makeButton(this, QStringLiteral("Cancel"), kMaroonColorref,
        QRect(kClientWidth - 40 - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight));
    m_cancelButton->setObjectName(QStringLiteral("cancelAnimationButton"));
    connect(m_createButton, &SphereButton::clicked, this, &AnimationExportDialog::create);
    connect(m_cancelButton, &SphereButton::clicked, this, &QDialog::reject);
}

AnimationExportDialog::~AnimationExportDialog() = default;

AnimationSettings AnimationExportDialog::sliderValues() const
{
    AnimationSettings values = m_values;
    values.format = m_format;
    values.scale = m_sizeSlider->value();
    values.fps = m_fpsSlider->value();
    values.frames = m_framesSlider->value();
    values.objectsPerFrame = m_objectsSlider->value();
    values.colors = m_colorsSlider->value();
    values.webpQuality = m_webpQualitySlider->value();
    values.webpLossless = m_losslessBox->checked();
    values.webmQuality = m_webmQualitySlider->value();
    values.webmBitRate = m_webmBitRateSlider->value();
    return values;
}

void AnimationExportDialog::chooseFormat(AnimationFormat format)
{
    m_format = format;
    const QString name = formatName(format);
    setWindowTitle(QStringLiteral("Adjust %1 settings").arg(name));
    m_createButton->setCaption(QStringLiteral("Create %1").arg(name));
    m_gifButton->setFront(format == AnimationFormat::Gif);
    m_webpButton->setFront(format == AnimationFormat::Webp);
    m_webmButton->setFront(format == AnimationFormat::Webm);
    for (QWidget* widget : m_gifOnly)
        widget->setVisible(format == AnimationFormat::Gif);
    for (QWidget* widget : m_webpOnly)
        widget->setVisible(format == AnimationFormat::Webp);
    for (QWidget* widget : m_webmOnly)
        widget->setVisible(format == AnimationFormat::Webm);
    // The slider keeps its value where the new range allows; a faster rate comes back down to 10.
    const AnimationSettingRange fps = format == AnimationFormat::Gif ? kGifFpsRange : kVideoFpsRange;
    m_fpsSlider->setRange(fps.minimum, fps.maximum);
    refreshLabels();
    requestEstimate();
}

void AnimationExportDialog::showEvent(QShowEvent* event)
{
    const AnimationSettings values = m_values;
    m_applyingValues = true;
    chooseFormat(values.format);
    m_sizeSlider->setValue(values.scale);
    m_fpsSlider->setValue(values.fps);
    m_framesSlider->setValue(values.frames);
    m_objectsSlider->setValue(values.objectsPerFrame);
    m_colorsSlider->setValue(values.colors);
    m_webpQualitySlider->setValue(values.webpQuality);
    m_losslessBox->setChecked(values.webpLossless);
    m_webmQualitySlider->setValue(values.webmQuality);
    m_webmBitRateSlider->setValue(values.webmBitRate);
    m_applyingValues = false;
    refreshLabels();
    // The figure of the last showing may be of another picture.
    m_estimateLabel->setText(QString());
    QDialog::showEvent(event);
    requestEstimate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void AnimationExportDialog::hideEvent(QHideEvent* event)
{
    // An estimate being encoded finishes on its own; one that waits for its second picture
    // is dropped, and nothing new starts while the dialog is hidden.
    m_estimateWanted = false;
    if (m_estimate && !m_estimate->encoding)
        m_estimate.reset();
    QDialog::hideEvent(event);
}

void AnimationExportDialog::keyPressEvent(QKeyEvent* event)
{
    // The sliders leave Enter to the dialog; a focused button has taken it already.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        create();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AnimationExportDialog::refreshLabels()
{
    const QSize panel = m_panelSize ? m_panelSize() : QSize();
    m_sizeLabel->setText(QString::fromStdString(frameSizeText(panel.width(), panel.height(), m_sizeSlider->value())));
    m_fpsLabel->setText(QString::number(m_fpsSlider->value()));
    m_framesLabel->setText(QString::number(m_framesSlider->value()));
    m_objectsLabel->setText(QString::number(m_objectsSlider->value()));
    m_colorsLabel->setText(QString::number(m_colorsSlider->value()));
    m_webpQualityLabel->setText(QString::number(m_webpQualitySlider->value()));
    m_webmQualityLabel->setText(QStringLiteral("%1 (0 best, 63 smallest)").arg(m_webmQualitySlider->value()));
    const int bitRate = m_webmBitRateSlider->value();
    m_webmBitRateLabel->setText(
        bitRate == 0 ? QStringLiteral("0, constant quality") : QStringLiteral("%1 kbit/s").arg(bitRate));
    // The quality level only counts at constant quality.
    m_webmQualitySlider->setEnabled(bitRate == 0);
}

void AnimationExportDialog::requestEstimate()
{
    // A hidden dialog estimates nothing; showing it asks once its values are in place.
    if (!isVisible() || m_applyingValues)
        return;
    const AnimationSettings values = sliderValues();
    if (values.format == AnimationFormat::Webm && values.webmBitRate > 0) {
        // The rule has no honest figure for a set bit rate.
        m_estimateWanted = false;
        m_estimateLabel->setText(QStringLiteral("not estimated at a set bit rate"));
        return;
    }
    m_estimateWanted = true;
    if (!m_estimate)
        startSampling();
}

void AnimationExportDialog::startSampling()
{
    m_estimateWanted = false;
    const ArgbImage* picture = m_liveView.picture ? m_liveView.picture() : nullptr;
    if (!picture || picture->pixels.empty()) {
        m_estimateLabel->setText(QString());
        return;
    }
    // A figure of other values stays until the new one comes, so the line does not flicker.
    if (!m_estimateLabel->text().startsWith(QStringLiteral("about")))
        m_estimateLabel->setText(QStringLiteral("estimating..."));
    m_estimate = std::make_unique<EstimateJob>();
    m_estimate->settings = sliderValues();
    m_estimate->first = *picture;
    const bool blurMode = m_liveView.blurMode && m_liveView.blurMode();
    m_estimate->secondSprites = spritesDrawn() + sampleGapSprites(m_estimate->settings, blurMode);
    m_estimate->sinceFirst.start();
    m_estimatePoll->start();
}

int64_t AnimationExportDialog::spritesDrawn() const
{
    return m_liveView.spritesDrawn ? m_liveView.spritesDrawn() : 0;
}

void AnimationExportDialog::pollEstimate()
{
    if (!m_estimate) {
        m_estimatePoll->stop();
        return;
    }
    if (!m_estimate->encoding) {
        if (m_estimateWanted) {
            // The values changed before the second picture came: start again with them.
            m_estimate.reset();
            startSampling();
            return;
        }
        const bool moved = spritesDrawn() >= m_estimate->secondSprites;
        if (!moved && m_estimate->sinceFirst.elapsed() < kStillPictureMilliseconds)
            return;
        // A live view that stands still makes a capture of still frames.
        const ArgbImage* picture = moved && m_liveView.picture ? m_liveView.picture() : nullptr;
        const bool sameSize = picture && picture->width == m_estimate->first.width
            && picture->height == m_estimate->first.height;
        m_estimate->second = sameSize ? *picture : m_estimate->first;
        m_estimate->encode();
        return;
    }
    if (!m_estimate->done)
        return;
    const std::unique_ptr<EstimateJob> finished = std::move(m_estimate);
    finished->thread.join();
    const AnimationSettings values = sliderValues();
    if (finished->settings == values) {
        m_estimateWanted = false;
        m_estimateLabel->setText(
            finished->bytes ? QString::fromStdString(aboutSizeText(*finished->bytes)) : QString());
    } else if (m_estimateWanted && isVisible()) {
        // Its figure is of values no longer shown.
        startSampling();
    }
    if (!m_estimate)
        m_estimatePoll->stop();
}

void AnimationExportDialog::create()
{
    m_values = sliderValues();
    accept();
}
