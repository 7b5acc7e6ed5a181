// The Presets page: the presets list of the presets folder with "Previous", "Random" and
// "Next", and the Save page's "Save as Preset". The list and the preset library are filled
// from one scan, so a line of the list is the library entry of the same number.

#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/preset_choice.h"
#include "presets/preset.h"
#include "presets/preset_library.h"
#include "presets/settings.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {

constexpr int kMargin = 6;
constexpr int kPageWidth = 230;
constexpr int kPageHeight = 462;
constexpr int kCaptionHeight = 16;
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 22;
constexpr int kButtonGap = 4;
constexpr int kStatusGap = 2;

} // namespace

void EditorWindow::buildPresetsPage()
{
    QWidget* page = panelTabPresets;
    const int width = kPageWidth - 2 * kMargin;
    makeLabel(page, tr("Presets list"), kMargin, 4, width, kCaptionHeight);
    const int buttonsTop = 4 + kCaptionHeight + 2;
    sButtonPresetPrev = makeButton(page, tr("Previous"), kMargin, buttonsTop, kButtonWidth, kButtonHeight,
        tr("Select previous preset from the list"));
    sButtonPresetRandom = makeButton(page, tr("Random"), kMargin + kButtonWidth + kButtonGap, buttonsTop,
        kButtonWidth, kButtonHeight, tr("Select random preset from the list"));
    sButtonPresetNext = makeButton(page, tr("Next"), kMargin + 2 * (kButtonWidth + kButtonGap), buttonsTop,
        kButtonWidth, kButtonHeight, tr("Select next preset from the list"));

    const int listTop = buttonsTop + kButtonHeight + 6;
    listPresets = new QListWidget(page);
    // Where the layout below puts it while no status shows; set here as well because a
    // page's layout runs only once the page is first shown.
    listPresets->setGeometry(kMargin, listTop, width, kPageHeight - listTop - kMargin);
    listPresets->setSortingEnabled(false);
    listPresets->setUniformItemSizes(true);
    listPresets->setFont(SphereButton::captionFont());
    QPalette palette = listPresets->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0));
    palette.setColor(QPalette::Text, QColor(220, 220, 220));
    listPresets->setPalette(palette);

    // Says why a chosen preset was not shown. It is hidden while all is well, and the list
    // fills the page down to its bottom margin; a status takes the lines it needs under it.
    labelPresetStatus = makeLabel(page, QString(), 0, 0, width, 0);
    labelPresetStatus->setWordWrap(true);
    labelPresetStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    labelPresetStatus->hide();
    QPalette warning = labelPresetStatus->palette();
    warning.setColor(QPalette::WindowText, QColor(255, 140, 100));
    labelPresetStatus->setPalette(warning);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kMargin, listTop, kMargin, kMargin);
    column->setSpacing(kStatusGap);
    column->addWidget(listPresets, 1);
    column->addWidget(labelPresetStatus);

    connect(sButtonPresetPrev, &SphereButton::clicked, this, [this] { choosePreset(PresetMove::Previous); });
    connect(sButtonPresetRandom, &SphereButton::clicked, this, [this] { choosePreset(PresetMove::Random); });
    connect(sButtonPresetNext, &SphereButton::clicked, this, [this] { choosePreset(PresetMove::Next); });
    // Only a click chooses a line. The list takes no focus: a list view that gains focus
    // makes its first line current by itself, which must not replace the preset being edited.
    listPresets->setFocusPolicy(Qt::NoFocus);
    connect(listPresets, &QListWidget::itemClicked, this,
        [this](QListWidgetItem* item) { choosePreset(PresetMove::Line, listPresets->row(item)); });
    connect(sButton4, &SphereButton::clicked, this, &EditorWindow::sButton4Click);
}

void EditorWindow::fillPresetList()
{
    listPresets->clear();
    for (const std::string& name : rescanPresets(ThePresetLibrary))
        listPresets->addItem(QString::fromStdString(name));
    // An empty list says nothing by itself; a presets folder that is no folder is named here.
    showPresetStatus(QString::fromStdString(presetsFolderProblem(Settings.presetsDir)));
}

void EditorWindow::showPresetStatus(const QString& status)
{
    labelPresetStatus->setText(status);
    labelPresetStatus->setVisible(!status.isEmpty());
}

void EditorWindow::choosePreset(PresetMove move, int line)
{
    const PresetChoice choice = ::choosePreset(ThePresetLibrary, move, line);
    if (!choice.moved)
        return;
    listPresets->setCurrentRow(choice.line);
    showPresetStatus(QString::fromStdString(choice.error));
    if (choice.loaded)
        afterPresetChange();
}

void EditorWindow::sButton4Click()
{
    QFileDialog dialog(this, tr("Save current preset"),
        QString::fromStdString(presetSaveFolder(Settings.presetsDir).string()), tr("Opal Revel Presets (*.vhp)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The name is completed and the overwrite asked below, so that a name such as "a.txt",
    // which gets ".vhp" appended, is asked about under the name that is really written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(QString());

    std::filesystem::path target;
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        target = presetSaveTarget(dialog.selectedFiles().front().toStdString());
        if (target.empty()) {
            // A blank name names no file: the dialog asks again, as it waits for an empty one.
            // selectFile ignores an empty name, so the blanks are cleared from Qt's own name
            // field (a desktop's native dialog has none and keeps them).
            if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->clear();
            continue;
        }
        std::error_code error;
        if (!std::filesystem::exists(target, error) || std::filesystem::is_directory(target, error))
            break;
        const auto answer = QMessageBox::question(this, tr("Save current preset"),
            tr("%1 already exists.\nDo you want to replace it?").arg(QString::fromStdString(target.string())),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer == QMessageBox::Yes)
            break;
        dialog.selectFile(QString::fromStdString(target.filename().string()));
    }

    std::string reason;
    if (!savePresetAs(target, CurrentPreset, reason)) {
        QMessageBox::warning(this, tr("Save current preset"), QString::fromStdString(reason));
        return;
    }
    usePresetsFolder(QString::fromStdString(presetsFolderAfterSave(Settings.presetsDir, target)));
}
