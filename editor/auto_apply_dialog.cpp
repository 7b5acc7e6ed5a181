#include "editor/auto_apply_dialog.h"

#include "editor/shape_editor.h"
#include "shapes/shape_stack.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kMargin = 8;
constexpr int kColumnGap = 12;
// Room right of a list's longest line, so that it does not touch the frame.
constexpr int kLinePadding = 8;

// A list as high as its lines, so that none of them hides behind a scroll bar at any font,
// and at least as wide as its longest line; its column may make it wider.
void showEveryLine(QListWidget* list)
{
    const int frame = 2 * list->frameWidth();
    list->setFixedHeight(list->sizeHintForRow(0) * list->count() + frame);
    list->setMinimumWidth(list->sizeHintForColumn(0) + frame + kLinePadding);
    list->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

} // namespace

AutoApplyDialog::AutoApplyDialog(SettingsRecord& options, QWidget* parent)
    : QDialog(parent)
    , m_options(options)
{
    setWindowTitle(tr("Automatic applying"));
    setModal(true);

    // Laid out from the texts, so that the two captions stand over their own lists and keep
    // their closing brackets at any font size; the dialog takes the size that needs.
    auto* what = new QLabel(tr("Parameter (what to apply)"), this);
    m_whatList = new QListWidget(this);
    for (const char* name : ParameterGroupNames)
        m_whatList->addItem(QString::fromLatin1(name));
    showEveryLine(m_whatList);

    auto* how = new QLabel(tr("Applying strategy (how to apply)"), this);
    m_howList = new QListWidget(this);
    m_howList->addItems({ tr("Global"), tr("Selected Object"), tr("Selected Shape") });
    showEveryLine(m_howList);

    m_closeButton = new QPushButton(tr("Close"), this);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setHorizontalSpacing(kColumnGap);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(what, 0, 0);
    grid->addWidget(how, 0, 1);
    grid->addWidget(m_whatList, 1, 0, 2, 1);
    grid->addWidget(m_howList, 1, 1, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    grid->addWidget(m_closeButton, 3, 1, Qt::AlignRight);

    connect(m_whatList, &QListWidget::itemSelectionChanged, this, &AutoApplyDialog::showWhatStrategy);
    connect(m_howList, &QListWidget::itemClicked, this, &AutoApplyDialog::storeHowStrategy);
    connect(m_howList, &QListWidget::itemActivated, this, &AutoApplyDialog::storeHowStrategy);

    // Named so that tests and tools find the controls without reaching into the dialog.
    m_whatList->setObjectName(QStringLiteral("applyWhatList"));
    m_howList->setObjectName(QStringLiteral("applyHowList"));
    m_closeButton->setObjectName(QStringLiteral("applyCloseButton"));
    // The captions above the lists do not name them for a reader.
    m_whatList->setAccessibleName(tr("What to apply"));
    m_howList->setAccessibleName(tr("How to apply"));
}

void AutoApplyDialog::prepare(int line)
{
    if (line >= 0 && line < m_whatList->count())
        m_whatList->setCurrentRow(line);
    else
        m_whatList->setCurrentRow(-1);
    showWhatStrategy();
}

void AutoApplyDialog::openAt(int line)
{
    prepare(line);
    centreOnScreen();
    exec();
}

void AutoApplyDialog::centreOnScreen()
{
    // Until its layout has run the dialog has the toolkit's default size, and centring that
    // would put the laid-out dialog off centre.
    layout()->activate();
    const QWidget* owner = parentWidget();
    const QScreen* shownOn = owner != nullptr ? owner->screen() : screen();
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(shownOn->geometry().center());
    // The dialog's own area, not its frame, goes in the middle: setGeometry places that.
    setGeometry(placed);
}

void AutoApplyDialog::showWhatStrategy()
{
    const int strategy = applyStrategyLine(m_options, m_whatList->currentRow());
    if (strategy >= 0)
        m_howList->setCurrentRow(strategy);
}

void AutoApplyDialog::storeHowStrategy()
{
    storeApplyStrategy(m_options, m_whatList->currentRow(), m_howList->currentRow());
}
