#include "editor/presets_page.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"
#include "presets/preset_library.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// This page's margin is narrower than the other pages', so its list is wider.
constexpr int kMargin = 6;
constexpr int kMoveButtonWidth = 70;
constexpr int kMoveButtonHeight = 22;
constexpr int kMoveButtonGap = 4;
constexpr int kStatusGap = 2;

} // namespace

PresetsPage::PresetsPage(PresetLibrary& library, QWidget* parent)
    : QWidget(parent)
    , m_library(library)
{
    setObjectName(QStringLiteral("presetsPage"));
    setGround(this, kPageGround, kPageGround, kPageGround);
    const int width = kPageWidth - 2 * kMargin;
    makeLabel(this, tr("Presets list"), kMargin, 4, width, kCaptionHeight);
    const int buttonsTop = 4 + kCaptionHeight + 2;
    m_previousButton = makeButton(this, tr("Previous"), kMargin, buttonsTop, kMoveButtonWidth, kMoveButtonHeight,
        tr("Select previous preset from the list"));
    m_previousButton->setObjectName(QStringLiteral("previousPresetButton"));
    m_randomButton = makeButton(this, tr("Random"), kMargin + kMoveButtonWidth + kMoveButtonGap, buttonsTop,
        kMoveButtonWidth, kMoveButtonHeight, tr("Select random preset from the list"));
    m_randomButton->setObjectName(QStringLiteral("randomPresetButton"));
    m_nextButton = makeButton(this, tr("Next"), kMargin + 2 * (kMoveButtonWidth + kMoveButtonGap), buttonsTop,
        kMoveButtonWidth, kMoveButtonHeight, tr("Select next preset from the list"));
    m_nextButton->setObjectName(QStringLiteral("nextPresetButton"));

    const int listTop = buttonsTop + kMoveButtonHeight + 6;
    m_presetList = new QListWidget(this);
    m_presetList->setObjectName(QStringLiteral("presetList"));
    m_presetList->setAccessibleName(tr("Presets"));
    // Where the layout below puts it while no status shows; set here as well because a
    // page's layout runs only once the page is first shown.
    m_presetList->setGeometry(kMargin, listTop, width, kPageHeight - listTop - kMargin);
    m_presetList->setSortingEnabled(false);
    m_presetList->setUniformItemSizes(true);
    m_presetList->setFont(SphereButton::captionFont());
    QPalette palette = m_presetList->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0));
    palette.setColor(QPalette::Text, QColor(220, 220, 220));
    m_presetList->setPalette(palette);

    // Says why a chosen preset was not shown. It is hidden while all is well, and the list
    // fills the page down to its bottom margin; a status takes the lines it needs under it.
    m_statusLabel = makeLabel(this, QString(), 0, 0, width, 0);
    m_statusLabel->setObjectName(QStringLiteral("presetStatusLabel"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusLabel->hide();
    QPalette warning = m_statusLabel->palette();
    warning.setColor(QPalette::WindowText, QColor(255, 140, 100));
    m_statusLabel->setPalette(warning);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, listTop, kMargin, kMargin);
    column->setSpacing(kStatusGap);
    column->addWidget(m_presetList, 1);
    column->addWidget(m_statusLabel);

    connect(m_previousButton, &SphereButton::clicked, this, [this] { choose(PresetMove::Previous); });
    connect(m_randomButton, &SphereButton::clicked, this, [this] { choose(PresetMove::Random); });
    connect(m_nextButton, &SphereButton::clicked, this, [this] { choose(PresetMove::Next); });
    // A click chooses a line; from the keyboard the arrow keys only move the highlight and
    // Enter or Space chooses the highlighted line. A list view that gains focus makes a line
    // current by itself, which therefore never replaces the preset being edited. A click
    // gives no focus, as on the page's buttons.
    m_presetList->setFocusPolicy(Qt::TabFocus);
    m_presetList->installEventFilter(this);
    connect(m_presetList, &QListWidget::itemClicked, this,
        [this](QListWidgetItem* item) { choose(PresetMove::Line, m_presetList->row(item)); });
}

bool PresetsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_presetList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            if (m_presetList->currentRow() >= 0)
                choose(PresetMove::Line, m_presetList->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PresetsPage::fillList()
{
    m_presetList->clear();
    for (const std::string& name : rescanPresets(m_library))
        m_presetList->addItem(QString::fromStdString(name));
    // An empty list says nothing by itself; a presets folder that is no folder is named here.
    showStatus(QString::fromStdString(presetsFolderProblem(m_library.folder())));
}

void PresetsPage::showStatus(const QString& status)
{
    m_statusLabel->setText(status);
    m_statusLabel->setVisible(!status.isEmpty());
}

void PresetsPage::choose(PresetMove move, int line)
{
    const PresetChoice choice = choosePreset(m_library, move, line);
    if (!choice.moved)
        return;
    m_presetList->setCurrentRow(choice.line);
    showStatus(QString::fromStdString(choice.error));
    if (choice.loaded)
        emit presetLoaded();
}
