#include "dialogs/folder_chooser.h"

#include "controls/sphere_button.h"
#include "dialogs/folder_navigation.h"

#include <QDir>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int kTitleHeight = 16;
constexpr int kRowHeight = 16;
const QColor kGround(128, 128, 128);
const QColor kMaroon(128, 0, 0);
const QColor kEntryColor(255, 255, 0);
// COLORREF values, red in the low byte.
constexpr quint32 kOkColor = 0x008000; // green
constexpr quint32 kCancelColor = 4227327; // orange: red 255, green 128, blue 64

QFont boldFont()
{
    QFont font = SphereButton::captionFont();
    font.setBold(true);
    return font;
}

// Yellow bold on the window's grey, as the list and the path field show their text.
void paintYellowOnGrey(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, kGround);
    palette.setColor(QPalette::Window, kGround);
    palette.setColor(QPalette::Text, kEntryColor);
    palette.setColor(QPalette::Highlight, kMaroon);
    palette.setColor(QPalette::HighlightedText, kEntryColor);
    widget->setPalette(palette);
    widget->setFont(boldFont());
}

std::filesystem::path toPath(const QString& text) { return std::filesystem::path(text.toStdString()); }

QString toText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

} // namespace

FolderChooser::FolderChooser(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Change storage directory"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);
    QPalette ground = palette();
    ground.setColor(QPalette::Window, kGround);
    setPalette(ground);
    setAutoFillBackground(true);

    labelTitle = new QLabel(QStringLiteral("Change storage directory"), this);
    labelTitle->setGeometry(0, 0, kClientWidth, kTitleHeight);
    labelTitle->setAlignment(Qt::AlignCenter);
    labelTitle->setFont(boldFont());
    labelTitle->setAutoFillBackground(true);
    QPalette title = labelTitle->palette();
    title.setColor(QPalette::Window, kMaroon);
    title.setColor(QPalette::WindowText, Qt::white);
    labelTitle->setPalette(title);
    // The strip is part of the window's drag area, not a control.
    labelTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

    directoryListBox1 = new QListWidget(this);
    directoryListBox1->setGeometry(15, 33, 226, 143);
    directoryListBox1->setFrameShape(QFrame::NoFrame);
    directoryListBox1->setUniformItemSizes(true);
    paintYellowOnGrey(directoryListBox1);
    connect(directoryListBox1, &QListWidget::itemActivated, this, &FolderChooser::enterLine);
    // The list would take Enter as entering its current line, which is ".." when nothing else
    // was chosen; Enter is the dialog's OK instead.
    directoryListBox1->installEventFilter(this);

    editPath = new QLineEdit(this);
    editPath->setGeometry(15, 184, 228, 19);
    editPath->setFrame(false);
    editPath->setToolTip(QStringLiteral("Type a folder and press Enter"));
    paintYellowOnGrey(editPath);
    connect(editPath, &QLineEdit::returnPressed, this, &FolderChooser::goToTypedPath);
    connect(editPath, &QLineEdit::textEdited, this, [this] { showPathRefused(false); });

    sButton1 = new SphereButton(this);
    sButton1->setGeometry(14, 212, 99, 25);
    sButton1->setCaption(QStringLiteral("OK"));
    sButton1->setColor(kOkColor);
    sButton1->setFocusPolicy(Qt::TabFocus);
    connect(sButton1, &SphereButton::clicked, this, &QDialog::accept);

    sButton2 = new SphereButton(this);
    sButton2->setGeometry(144, 212, 99, 25);
    sButton2->setCaption(QStringLiteral("Cancel"));
    sButton2->setColor(kCancelColor);
    sButton2->setFocusPolicy(Qt::TabFocus);
    connect(sButton2, &SphereButton::clicked, this, &QDialog::reject);

    setDirectory(QString());
}

void FolderChooser::setDirectory(const QString& path)
{
    m_directory = path.isEmpty() ? QDir::homePath() : path;
    showPathRefused(false);
    fillList();
}

void FolderChooser::fillList()
{
    directoryListBox1->clear();
    for (const std::string& line : folderLines(toPath(m_directory))) {
        auto* item = new QListWidgetItem(QString::fromStdString(line), directoryListBox1);
        item->setSizeHint(QSize(0, kRowHeight));
    }
    editPath->setText(m_directory);
}

void FolderChooser::enterLine(QListWidgetItem* item)
{
    if (!item)
        return;
    m_directory = toText(enterFolderLine(toPath(m_directory), item->text().toStdString()));
    showPathRefused(false);
    fillList();
}

void FolderChooser::goToTypedPath()
{
    const auto folder = typedFolder(editPath->text().toStdString(), toPath(m_directory), toPath(QDir::homePath()));
    if (!folder) {
        showPathRefused(true);
        return;
    }
    m_directory = toText(*folder);
    showPathRefused(false);
    fillList();
}

void FolderChooser::showPathRefused(bool refused)
{
    m_pathRefused = refused;
    QPalette palette = editPath->palette();
    palette.setColor(QPalette::Base, refused ? QColor(255, 200, 200) : kGround);
    palette.setColor(QPalette::Text, refused ? QColor(160, 0, 0) : kEntryColor);
    editPath->setPalette(palette);
    editPath->setToolTip(refused ? QStringLiteral("No such folder") : QStringLiteral("Type a folder and press Enter"));
}

void FolderChooser::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(kMaroon);
    painter.drawRect(0, kTitleHeight, kClientWidth - 1, kClientHeight - kTitleHeight - 1);
}

void FolderChooser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void FolderChooser::mousePressEvent(QMouseEvent* event)
{
    // Presses on the controls never get here; the rest of the window drags it.
    if (event->button() != Qt::LeftButton)
        return QDialog::mousePressEvent(event);
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void FolderChooser::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
}

bool FolderChooser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == directoryListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FolderChooser::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}
