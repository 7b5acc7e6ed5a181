#include "editor/apply_dialog.h"

#include "editor/shape_editor.h"
#include "shapes/shape_stack.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr int kDialogWidth = 355;
constexpr int kDialogHeight = 188;

} // namespace

TFormGlobals::TFormGlobals(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Automatic applying"));
    setFixedSize(kDialogWidth, kDialogHeight);
    setModal(true);

    auto* what = new QLabel(tr("Parameter (what to apply)"), this);
    what->setGeometry(8, 8, 160, 16);
    ListBoxWhat = new QListWidget(this);
    ListBoxWhat->setGeometry(8, 28, 121, 113);
    for (const char* name : ParameterGroupNames)
        ListBoxWhat->addItem(QString::fromLatin1(name));

    auto* how = new QLabel(tr("Applying strategy (how to apply)"), this);
    how->setGeometry(160, 8, 190, 16);
    ListBoxHow = new QListWidget(this);
    ListBoxHow->setGeometry(160, 28, 169, 59);
    ListBoxHow->addItems({ tr("Global"), tr("Selected Object"), tr("Selected Shape") });

    ButtonClose = new QPushButton(tr("Close"), this);
    ButtonClose->setGeometry(kDialogWidth - 8 - 90, kDialogHeight - 8 - 27, 90, 27);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);

    connect(ListBoxWhat, &QListWidget::itemSelectionChanged, this, &TFormGlobals::ListBoxWhatClick);
    connect(ListBoxHow, &QListWidget::itemClicked, this, &TFormGlobals::ListBoxHowClick);
    connect(ListBoxHow, &QListWidget::itemActivated, this, &TFormGlobals::ListBoxHowClick);
}

void TFormGlobals::Prepare(int line)
{
    if (line >= 0 && line < ListBoxWhat->count())
        ListBoxWhat->setCurrentRow(line);
    else
        ListBoxWhat->setCurrentRow(-1);
    ListBoxWhatClick();
}

void TFormGlobals::Open(int line)
{
    Prepare(line);
    if (const QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    exec();
}

void TFormGlobals::ListBoxWhatClick()
{
    const int strategy = ApplyStrategyLine(ListBoxWhat->currentRow());
    if (strategy >= 0)
        ListBoxHow->setCurrentRow(strategy);
}

void TFormGlobals::ListBoxHowClick()
{
    StoreApplyStrategy(ListBoxWhat->currentRow(), ListBoxHow->currentRow());
}
