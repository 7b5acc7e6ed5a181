#include "editor/export_flows.h"

#include "controls/sphere_button.h"
#include "pixels/argb_image.h"
#include "editor/capture_progress_window.h"
#include "export/animation_writer.h"
#include "export/animation_settings.h"
#include "export/data_sink.h"
#include "export/jpeg_encoder.h"
#include "export/shown_picture.h"
#include "presets/run_record.h"

#include <QFileDialog>
#include <QMessageBox>


namespace {

// What a frame source gives while there is no renderer: no pixels.
const ArgbImage kNoFrame;

} // namespace

ExportFlows::ExportFlows(QWidget* window, const RunRecord& record, RendererSource renderer,
    AnimationExportDialog::PanelSizeSource panelSize)
    : QObject(window)
    , m_window(window)
    , m_record(record)
    , m_renderer(std::move(renderer))
    , m_animationDialog(new AnimationExportDialog(std::move(panelSize), window))
    , m_progressWindow(new CaptureProgressWindow(window))
{
    AnimationExportDialog::LiveView liveView;
    liveView.picture = [this]() -> const ArgbImage* { return liveFrame() ? &gifSourceFrame() : nullptr; };
    liveView.spritesDrawn = [this]() -> int64_t {
        const Renderer* live = m_renderer ? m_renderer() : nullptr;
        return live ? live->spritesDrawn() : 0;
    };
    liveView.blurMode = [this] { return m_record.options.filter; };
    m_animationDialog->setLiveView(std::move(liveView));
    connect(m_progressWindow, &CaptureProgressWindow::cancelRequested, this, [this] { m_capture.requestCancel(); });
}

const ArgbImage* ExportFlows::liveFrame() const
{
    const Renderer* renderer = m_renderer ? m_renderer() : nullptr;
    return renderer ? &renderer->frame() : nullptr;
}

ExportFlows::~ExportFlows() = default;

void ExportFlows::saveJpeg()
{
    // The picture of the moment of the click: the live view goes on behind the dialog, so
    // the stream is encoded now, straight from the frame's rows, and only stored once the
    // file is named.
    const ArgbImage* live = liveFrame();
    if (!live || live->pixels.empty())
        return;
    std::unique_ptr<MemorySink> stream;
    try {
        stream = encodeJpegSnapshot(*live, m_record.options.filter);
    } catch (const std::exception& error) {
        showFailure(QStringLiteral("The JPEG image could not be saved."), exportErrorText(error));
        return;
    }

    const QString fileName = runSaveDialog(QStringLiteral("Save picture to file"),
        QStringLiteral("JPEG files (*.jpg)"), QStringLiteral("jpg"), QString());
    if (fileName.isEmpty())
        return;
    try {
        storeJpegSnapshot(*stream, withDefaultExtension(fileName.toStdString(), "jpg"));
    } catch (const std::exception& error) {
        showFailure(QStringLiteral("The JPEG image could not be saved."), exportErrorText(error));
    }
}

void ExportFlows::saveGif()
{
    // Refused before the dialogs, so nobody sets up a capture that could never take a frame.
    if (const std::string refusal = gifCaptureRefusal(m_record.preset); !refusal.empty()) {
        showFailure(QStringLiteral("The GIF animation cannot be made."), refusal);
        return;
    }
    m_animationDialog->setValues(m_capture.settings);
    if (m_animationDialog->exec() != QDialog::Accepted)
        return;
    AnimationSettings settings = m_animationDialog->values();
    const std::string extension = animationExtension(settings.format);
    // The chosen format's files are offered first, and the last name comes back with the
    // chosen format's extension in place of a format's. The filters follow AnimationFormat's order.
    QStringList filters = { QStringLiteral("GIF files (*.gif)"), QStringLiteral("WebP animations (*.webp)"),
        QStringLiteral("WebM videos (*.webm)") };
    filters.move(static_cast<int>(settings.format), 0);
    QString lastName = m_lastGifName;
    if (AnimationFormat named = AnimationFormat::Gif; animationFormatForFile(lastName.toStdString(), named))
        lastName = lastName.left(lastName.lastIndexOf(QLatin1Char('.')) + 1) + QString::fromStdString(extension);
    const QString fileName = runSaveDialog(QStringLiteral("Choose file..."), filters.join(QStringLiteral(";;")),
        QString::fromStdString(extension), lastName);
    if (fileName.isEmpty())
        return;
    m_lastGifName = fileName;
    m_capture.gifFileName = withDefaultExtension(fileName.toStdString(), extension);
    // A name whose extension is another format's gets that format: a file called ".gif" that
    // held a video would surprise more than a format other than the one chosen. Any other
    // extension keeps the chosen format.
    animationFormatForFile(m_capture.gifFileName, settings.format);
    m_capture.settings = clampedAnimationSettings(settings);
    m_capture.startGifCapture();
}

void ExportFlows::abortGifCapture()
{
    m_capture.abortGifCapture();
}

const ArgbImage& ExportFlows::gifSourceFrame()
{
    const ArgbImage* frame = liveFrame();
    if (!frame)
        return kNoFrame;
    if (!m_record.options.filter)
        return *frame;
    copyPictureAsShown(*frame, true, m_shownFrame);
    return m_shownFrame;
}

void ExportFlows::followSprites(SpriteObserver* observer)
{
    if (Renderer* renderer = m_renderer ? m_renderer() : nullptr)
        renderer->setSpriteObserver(observer);
}

void ExportFlows::showGifProgress()
{
    // A capture started over while the window shows keeps it, with its button back.
    m_progressWindow->offerCancel();
    m_progressWindow->show();
    m_progressWindow->raise();
}

void ExportFlows::gifFramesTaken(int32_t taken, int32_t total)
{
    m_progressWindow->showFramesTaken(taken, total);
}

void ExportFlows::gifWriting()
{
    m_progressWindow->showWriting();
}

void ExportFlows::hideGifProgress()
{
    m_progressWindow->hide();
}

void ExportFlows::gifCaptureFailed(const std::string& text)
{
    switch (m_capture.settings.format) {
    case AnimationFormat::Webp:
        showFailure(QStringLiteral("The WebP animation could not be saved."), text);
        return;
    case AnimationFormat::Webm:
        showFailure(QStringLiteral("The WebM video could not be saved."), text);
        return;
    case AnimationFormat::Gif:
        break;
    }
    showFailure(QStringLiteral("The GIF animation could not be saved."), text);
}

QString ExportFlows::runSaveDialog(const QString& title, const QString& filter, const QString& suffix,
    const QString& fileName) const
{
    QFileDialog dialog(m_window, title, QStringLiteral("."), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void ExportFlows::showFailure(const QString& what, const std::string& reason) const
{
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromStdString(ProductTitle), what, QMessageBox::Ok,
        m_window);
    box->setInformativeText(QString::fromStdString(reason));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
