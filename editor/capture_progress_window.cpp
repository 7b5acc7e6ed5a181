#include "editor/capture_progress_window.h"

#include "controls/sphere_button.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {

constexpr int kClientWidth = 380;
constexpr int kClientHeight = 127;
constexpr int kMessageTop = 8;
constexpr int kMessageHeight = 48;
constexpr int kProgressTop = 58;
constexpr int kProgressHeight = 16;
constexpr int kButtonTop = 88;
constexpr int kButtonWidth = 180;
constexpr int kButtonHeight = 25;
constexpr int kFontPixels = 12;

const QColor kTeal(0, 128, 128);
const QColor kLime(0, 255, 0);
constexpr quint32 kMaroonColorref = 0x000080; // COLORREF: red in the low byte

QLabel* makeLimeLabel(QWidget* parent, const QString& text, int top, int height)
{
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(kFontPixels);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kLime);
    label->setPalette(palette);
    label->setGeometry(0, top, kClientWidth, height);
    return label;
}

} // namespace

CaptureProgressWindow::CaptureProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Creating GIF"));
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kTeal);
    setPalette(palette);

    m_messageLabel = makeLimeLabel(this,
        QStringLiteral("Please wait while Opal Revel\ngenerates and saves \nall GIF frames."), kMessageTop,
        kMessageHeight);
    m_progressLabel = makeLimeLabel(this, QString(), kProgressTop, kProgressHeight);

    m_cancelButton = new SphereButton(this);
    m_cancelButton->setCaption(QStringLiteral("Cancel GIF creation!"));
    m_cancelButton->setColor(kMaroonColorref);
    m_cancelButton->setGeometry((kClientWidth - kButtonWidth) / 2, kButtonTop, kButtonWidth, kButtonHeight);
    connect(m_cancelButton, &SphereButton::clicked, this, &CaptureProgressWindow::cancelCapture);

    // Named so that tests and tools find the controls without reaching into the dialog.
    m_messageLabel->setObjectName(QStringLiteral("captureMessageLabel"));
    m_progressLabel->setObjectName(QStringLiteral("captureProgressLabel"));
    m_cancelButton->setObjectName(QStringLiteral("cancelCaptureButton"));
}

CaptureProgressWindow::~CaptureProgressWindow() = default;

void CaptureProgressWindow::showFramesTaken(int taken, int total)
{
    m_progressLabel->setText(QStringLiteral("frame %1 of %2").arg(taken).arg(total));
}

void CaptureProgressWindow::showWriting()
{
    m_cancelButton->hide();
    m_progressLabel->setText(QStringLiteral("Writing file..."));
    // The file is written at once, without a turn of the event loop: the text is painted now.
    m_progressLabel->repaint();
}

void CaptureProgressWindow::offerCancel() { m_cancelButton->show(); }

void CaptureProgressWindow::showEvent(QShowEvent* event)
{
    m_cancelButton->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QWidget::showEvent(event);
}

void CaptureProgressWindow::cancelCapture()
{
    m_cancelButton->hide();
    emit cancelRequested();
}
