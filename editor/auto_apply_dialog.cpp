#include "editor/auto_apply_dialog.h"

#include "editor/shape_editor.h"
#include "shapes/shape_stack.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

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

AutoApplyDialog::AutoApplyDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Automatic applying"));
    setModal(true);

    // Laid out from the texts, so that the two captions stand over their own lists and keep
    // their closing brackets at any font size; the dialog takes the size that needs.
    auto* what = new QLabel(tr("Parameter (what to apply)"), this);
    ListBoxWhat = new QListWidget(this);
    for (const char* name : ParameterGroupNames)
        ListBoxWhat->addItem(QString::fromLatin1(name));
    showEveryLine(ListBoxWhat);

    auto* how = new QLabel(tr("Applying strategy (how to apply)"), this);
    ListBoxHow = new QListWidget(this);
    ListBoxHow->addItems({ tr("Global"), tr("Selected Object"), tr("Selected Shape") });
    showEveryLine(ListBoxHow);

    ButtonClose = new QPushButton(tr("Close"), this);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setHorizontalSpacing(kColumnGap);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(what, 0, 0);
    grid->addWidget(how, 0, 1);
    grid->addWidget(ListBoxWhat, 1, 0, 2, 1);
    grid->addWidget(ListBoxHow, 1, 1, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    grid->addWidget(ButtonClose, 3, 1, Qt::AlignRight);

    connect(ListBoxWhat, &QListWidget::itemSelectionChanged, this, &AutoApplyDialog::ListBoxWhatClick);
    connect(ListBoxHow, &QListWidget::itemClicked, this, &AutoApplyDialog::ListBoxHowClick);
    connect(ListBoxHow, &QListWidget::itemActivated, this, &AutoApplyDialog::ListBoxHowClick);
}

void AutoApplyDialog::Prepare(int line)
{
    if (line >= 0 && line < ListBoxWhat->count())
        ListBoxWhat->setCurrentRow(line);
    else
        ListBoxWhat->setCurrentRow(-1);
    ListBoxWhatClick();
}

void AutoApplyDialog::Open(int line)
{
    Prepare(line);
    if (const QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    exec();
}

void AutoApplyDialog::ListBoxWhatClick()
{
    const int strategy = ApplyStrategyLine(ListBoxWhat->currentRow());
    if (strategy >= 0)
        ListBoxHow->setCurrentRow(strategy);
}

void AutoApplyDialog::ListBoxHowClick()
{
    StoreApplyStrategy(ListBoxWhat->currentRow(), ListBoxHow->currentRow());
}
