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

    LabelTitle = new QLabel(QStringLiteral("Change storage directory"), this);
    LabelTitle->setGeometry(0, 0, kClientWidth, kTitleHeight);
    LabelTitle->setAlignment(Qt::AlignCenter);
    LabelTitle->setFont(boldFont());
    LabelTitle->setAutoFillBackground(true);
    QPalette title = LabelTitle->palette();
    title.setColor(QPalette::Window, kMaroon);
    title.setColor(QPalette::WindowText, Qt::white);
    LabelTitle->setPalette(title);
    // The strip is part of the window's drag area, not a control.
    LabelTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

    DirectoryListBox1 = new QListWidget(this);
    DirectoryListBox1->setGeometry(15, 33, 226, 143);
    DirectoryListBox1->setFrameShape(QFrame::NoFrame);
    DirectoryListBox1->setUniformItemSizes(true);
    paintYellowOnGrey(DirectoryListBox1);
    connect(DirectoryListBox1, &QListWidget::itemActivated, this, &FolderChooser::enterLine);
    // The list would take Enter as entering its current line, which is ".." when nothing else
    // was chosen; Enter is the dialog's OK instead.
    DirectoryListBox1->installEventFilter(this);

    EditPath = new QLineEdit(this);
    EditPath->setGeometry(15, 184, 228, 19);
    EditPath->setFrame(false);
    EditPath->setToolTip(QStringLiteral("Type a folder and press Enter"));
    paintYellowOnGrey(EditPath);
    connect(EditPath, &QLineEdit::returnPressed, this, &FolderChooser::goToTypedPath);
    connect(EditPath, &QLineEdit::textEdited, this, [this] { showPathRefused(false); });

    SButton1 = new SphereButton(this);
    SButton1->setGeometry(14, 212, 99, 25);
    SButton1->setCaption(QStringLiteral("OK"));
    SButton1->setColor(kOkColor);
    SButton1->setFocusPolicy(Qt::TabFocus);
    connect(SButton1, &SphereButton::clicked, this, &QDialog::accept);

    SButton2 = new SphereButton(this);
    SButton2->setGeometry(144, 212, 99, 25);
    SButton2->setCaption(QStringLiteral("Cancel"));
    SButton2->setColor(kCancelColor);
    SButton2->setFocusPolicy(Qt::TabFocus);
    connect(SButton2, &SphereButton::clicked, this, &QDialog::reject);

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
    DirectoryListBox1->clear();
    for (const std::string& line : FolderLines(toPath(m_directory))) {
        auto* item = new QListWidgetItem(QString::fromStdString(line), DirectoryListBox1);
        item->setSizeHint(QSize(0, kRowHeight));
    }
    EditPath->setText(m_directory);
}

void FolderChooser::enterLine(QListWidgetItem* item)
{
    if (!item)
        return;
    m_directory = toText(EnterFolderLine(toPath(m_directory), item->text().toStdString()));
    showPathRefused(false);
    fillList();
}

void FolderChooser::goToTypedPath()
{
    const auto folder = TypedFolder(EditPath->text().toStdString(), toPath(m_directory), toPath(QDir::homePath()));
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
    QPalette palette = EditPath->palette();
    palette.setColor(QPalette::Base, refused ? QColor(255, 200, 200) : kGround);
    palette.setColor(QPalette::Text, refused ? QColor(160, 0, 0) : kEntryColor);
    EditPath->setPalette(palette);
    EditPath->setToolTip(refused ? QStringLiteral("No such folder") : QStringLiteral("Type a folder and press Enter"));
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
    if (watched == DirectoryListBox1 && event->type() == QEvent::KeyPress) {
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
