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
    listBoxWhat = new QListWidget(this);
    for (const char* name : ParameterGroupNames)
        listBoxWhat->addItem(QString::fromLatin1(name));
    showEveryLine(listBoxWhat);

    auto* how = new QLabel(tr("Applying strategy (how to apply)"), this);
    listBoxHow = new QListWidget(this);
    listBoxHow->addItems({ tr("Global"), tr("Selected Object"), tr("Selected Shape") });
    showEveryLine(listBoxHow);

    buttonClose = new QPushButton(tr("Close"), this);
    connect(buttonClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setHorizontalSpacing(kColumnGap);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(what, 0, 0);
    grid->addWidget(how, 0, 1);
    grid->addWidget(listBoxWhat, 1, 0, 2, 1);
    grid->addWidget(listBoxHow, 1, 1, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    grid->addWidget(buttonClose, 3, 1, Qt::AlignRight);

    connect(listBoxWhat, &QListWidget::itemSelectionChanged, this, &AutoApplyDialog::listBoxWhatClick);
    connect(listBoxHow, &QListWidget::itemClicked, this, &AutoApplyDialog::listBoxHowClick);
    connect(listBoxHow, &QListWidget::itemActivated, this, &AutoApplyDialog::listBoxHowClick);
}

void AutoApplyDialog::prepare(int line)
{
    if (line >= 0 && line < listBoxWhat->count())
        listBoxWhat->setCurrentRow(line);
    else
        listBoxWhat->setCurrentRow(-1);
    listBoxWhatClick();
}

void AutoApplyDialog::openAt(int line)
{
    prepare(line);
    if (const QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    exec();
}

void AutoApplyDialog::listBoxWhatClick()
{
    const int strategy = applyStrategyLine(listBoxWhat->currentRow());
    if (strategy >= 0)
        listBoxHow->setCurrentRow(strategy);
}

void AutoApplyDialog::listBoxHowClick()
{
    storeApplyStrategy(listBoxWhat->currentRow(), listBoxHow->currentRow());
}
