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

    m_titleLabel = new QLabel(QStringLiteral("Change storage directory"), this);
    m_titleLabel->setGeometry(0, 0, kClientWidth, kTitleHeight);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setFont(boldFont());
    m_titleLabel->setAutoFillBackground(true);
    QPalette title = m_titleLabel->palette();
    title.setColor(QPalette::Window, kMaroon);
    title.setColor(QPalette::WindowText, Qt::white);
    m_titleLabel->setPalette(title);
    // The strip is part of the window's drag area, not a control.
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_folderList = new QListWidget(this);
    m_folderList->setGeometry(15, 33, 226, 143);
    m_folderList->setFrameShape(QFrame::NoFrame);
    m_folderList->setUniformItemSizes(true);
    paintYellowOnGrey(m_folderList);
    connect(m_folderList, &QListWidget::itemActivated, this, &FolderChooser::enterLine);
    // The list would take Enter as entering its current line, which is ".." when nothing else
    // was chosen; Enter is the dialog's OK instead.
    m_folderList->installEventFilter(this);
    m_folderList->setAccessibleName(QStringLiteral("Folders"));

    m_pathField = new QLineEdit(this);
    m_pathField->setGeometry(15, 184, 228, 19);
    m_pathField->setFrame(false);
    m_pathField->setToolTip(QStringLiteral("Type a folder and press Enter"));
    m_pathField->setAccessibleName(QStringLiteral("Folder path"));
    paintYellowOnGrey(m_pathField);
    connect(m_pathField, &QLineEdit::returnPressed, this, &FolderChooser::goToTypedPath);
    connect(m_pathField, &QLineEdit::textEdited, this, [this] { showPathRefused(false); });

    m_okButton = new SphereButton(this);
    m_okButton->setGeometry(14, 212, 99, 25);
    m_okButton->setCaption(QStringLiteral("OK"));
    m_okButton->setColor(kOkColor);
    m_okButton->setFocusPolicy(Qt::TabFocus);
    connect(m_okButton, &SphereButton::clicked, this, &QDialog::accept);

    m_cancelButton = new SphereButton(this);
    m_cancelButton->setGeometry(144, 212, 99, 25);
    m_cancelButton->setCaption(QStringLiteral("Cancel"));
    m_cancelButton->setColor(kCancelColor);
    m_cancelButton->setFocusPolicy(Qt::TabFocus);
    connect(m_cancelButton, &SphereButton::clicked, this, &QDialog::reject);

    setDirectory(QString());

    // Named so that tests and tools find the controls without reaching into the dialog.
    m_titleLabel->setObjectName(QStringLiteral("folderTitleLabel"));
    m_folderList->setObjectName(QStringLiteral("folderList"));
    m_pathField->setObjectName(QStringLiteral("pathField"));
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
}

void FolderChooser::setDirectory(const QString& path)
{
    m_directory = path.isEmpty() ? QDir::homePath() : path;
    showPathRefused(false);
    fillList();
}

void FolderChooser::fillList()
{
    m_folderList->clear();
    for (const std::string& line : folderLines(toPath(m_directory))) {
        auto* item = new QListWidgetItem(QString::fromStdString(line), m_folderList);
        item->setSizeHint(QSize(0, kRowHeight));
        // The line that goes up shows "..": a reader hears it in words.
        if (line == kParentFolderLine)
            item->setData(Qt::AccessibleTextRole, QStringLiteral("Parent folder"));
    }
    m_pathField->setText(m_directory);
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
    const auto folder = typedFolder(m_pathField->text().toStdString(), toPath(m_directory), toPath(QDir::homePath()));
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
    QPalette palette = m_pathField->palette();
    palette.setColor(QPalette::Base, refused ? QColor(255, 200, 200) : kGround);
    palette.setColor(QPalette::Text, refused ? QColor(160, 0, 0) : kEntryColor);
    m_pathField->setPalette(palette);
    m_pathField->setToolTip(
        refused ? QStringLiteral("No such folder") : QStringLiteral("Type a folder and press Enter"));
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
    if (watched == m_folderList && event->type() == QEvent::KeyPress) {
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
