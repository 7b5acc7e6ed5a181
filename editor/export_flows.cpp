#include "editor/export_flows.h"

#include "controls/sphere_button.h"
#include "pixels/argb_image.h"
#include "editor/capture_progress_window.h"
#include "export/gif_settings.h"
#include "export/data_sink.h"
#include "export/jpeg_encoder.h"
#include "export/shown_picture.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <QFileDialog>
#include <QMessageBox>


namespace {

// What a frame source gives while there is no renderer: no pixels.
const ArgbImage kNoFrame;

} // namespace

ExportFlows::ExportFlows(QWidget* window, RendererSource renderer, GifExportDialog::PanelSizeSource panelSize)
    : QObject(window)
    , m_window(window)
    , m_renderer(std::move(renderer))
    , m_formGif(new GifExportDialog(std::move(panelSize), window))
    , m_formBePatient(new CaptureProgressWindow(window))
{
    connect(m_formBePatient, &CaptureProgressWindow::cancelRequested, this, [this] { m_capture.RequestCancel(); });
}

const ArgbImage* ExportFlows::liveFrame() const
{
    const Renderer* renderer = m_renderer ? m_renderer() : nullptr;
    return renderer ? &renderer->Frame() : nullptr;
}

ExportFlows::~ExportFlows() = default;

void ExportFlows::SButton5Click()
{
    // The picture of the moment of the click: the live view goes on behind the dialog, so
    // the stream is encoded now, straight from the frame's rows, and only stored once the
    // file is named.
    const ArgbImage* live = liveFrame();
    if (!live || live->pixels.empty())
        return;
    std::unique_ptr<MemorySink> stream;
    try {
        stream = EncodeJpegSnapshot(*live, Settings.Filter);
    } catch (const std::exception& error) {
        showFailure(QStringLiteral("The JPEG image could not be saved."), ExportErrorText(error));
        return;
    }

    const QString fileName = runSaveDialog(QStringLiteral("Save picture to file"),
        QStringLiteral("JPEG files (*.jpg)"), QStringLiteral("jpg"), QString());
    if (fileName.isEmpty())
        return;
    try {
        StoreJpegSnapshot(*stream, WithDefaultExtension(fileName.toStdString(), "jpg"));
    } catch (const std::exception& error) {
        showFailure(QStringLiteral("The JPEG image could not be saved."), ExportErrorText(error));
    }
}

void ExportFlows::SButton6Click()
{
    // Refused before the dialogs, so nobody sets up a capture that could never take a frame.
    if (const std::string refusal = GifCaptureRefusal(CurrentPreset); !refusal.empty()) {
        showFailure(QStringLiteral("The GIF animation cannot be made."), refusal);
        return;
    }
    m_formGif->SetValues(m_capture.Settings);
    if (m_formGif->exec() != QDialog::Accepted)
        return;
    m_capture.Settings = m_formGif->Values();
    const QString fileName = runSaveDialog(QStringLiteral("Choose file..."), QStringLiteral("GIF files (*.gif)"),
        QStringLiteral("gif"), m_lastGifName);
    if (fileName.isEmpty())
        return;
    m_lastGifName = fileName;
    m_capture.GifFileName = WithDefaultExtension(fileName.toStdString(), "gif");
    m_capture.StartGifCapture();
}

void ExportFlows::AbortGifCapture()
{
    m_capture.AbortGifCapture();
}

const ArgbImage& ExportFlows::GifSourceFrame()
{
    const ArgbImage* frame = liveFrame();
    if (!frame)
        return kNoFrame;
    if (!Settings.Filter)
        return *frame;
    CopyPictureAsShown(*frame, true, m_shownFrame);
    return m_shownFrame;
}

void ExportFlows::FollowSprites(SpriteObserver* observer)
{
    if (Renderer* renderer = m_renderer ? m_renderer() : nullptr)
        renderer->SetSpriteObserver(observer);
}

void ExportFlows::ShowGifProgress()
{
    // A capture started over while the window shows keeps it, with its button back.
    m_formBePatient->SButton_Cancel->show();
    m_formBePatient->show();
    m_formBePatient->raise();
}

void ExportFlows::GifFramesTaken(int32_t taken, int32_t total)
{
    m_formBePatient->ShowFramesTaken(taken, total);
}

void ExportFlows::GifWriting()
{
    m_formBePatient->ShowWriting();
}

void ExportFlows::HideGifProgress()
{
    m_formBePatient->hide();
}

void ExportFlows::GifCaptureFailed(const std::string& text)
{
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
