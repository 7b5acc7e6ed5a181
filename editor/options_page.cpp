// The Options page: the global options of Settings (motion, the automatic changes, the
// saver's start and size, the presets folder, the blur effect). The rules are in
// options_rules; the page shows the options and forwards clicks there.

#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "dialogs/folder_chooser.h"
#include "editor/editor_widgets.h"
#include "editor/options_rules.h"
#include "presets/settings.h"

#include <QLineEdit>

#include <utility>

namespace {

constexpr int kMargin = 8;
constexpr int kPageWidth = 230;
constexpr int kCaptionHeight = 16;
constexpr int kBoxWidth = 200;
constexpr int kBoxHeight = 18;
constexpr int kBoxPitch = 20;
constexpr int kRowHeight = 20;
constexpr int kGroupGap = 6;
constexpr int kIntervalDisplayWidth = 70;
constexpr int kStepButtonWidth = 64;
constexpr int kSizeDisplayWidth = 150;
constexpr int kSizeButtonWidth = 30;
constexpr int kChangeButtonWidth = 60;
constexpr int kGap = 4;

QString qText(const std::string& text) { return QString::fromStdString(text); }

// A value display: a sphere button that shows a value and does not move or toggle.
SphereButton* makeDisplay(QWidget* page, int x, int y, int width, const QString& hint = QString())
{
    SphereButton* display = MakeButton(page, QString(), x, y, width, kRowHeight, hint);
    display->setIsButton(false);
    return display;
}

} // namespace

// The check boxes of the page and the options they show, in page order.
std::array<std::pair<SphereButton*, OptionSwitch>, 9> EditorWindow::optionBoxes() const
{
    return { { { SButton_Travelling, OptionSwitch::Travel }, { SCheck_ChangePreset, OptionSwitch::DoChange },
        { SCheck_ChangeFormula, OptionSwitch::ChangeFormula }, { SCheck_ChangeMirror, OptionSwitch::ChangeMirror },
        { SButton_RandomPicture, OptionSwitch::RandomStart }, { SButton_Switch640, OptionSwitch::LowRes },
        { SButton_CheckAllowBlur, OptionSwitch::Filter }, { SButton_CheckBlurInterlace, OptionSwitch::Interlace },
        { SButton_CheckBlurChange, OptionSwitch::FiterAuto } } };
}

void EditorWindow::buildOptionsPage()
{
    QWidget* page = Panel_TabOptions;
    const int width = kPageWidth - 2 * kMargin;
    int y = 4;
    const auto caption = [&](const QString& text) {
        MakeLabel(page, text, kMargin, y, width, kCaptionHeight);
        y += kCaptionHeight;
    };
    const auto box = [&](const QString& text) {
        SphereButton* made = MakeCheckBox(page, text, kMargin, y, kBoxWidth, kBoxHeight);
        y += kBoxPitch;
        return made;
    };
    // A value display with "Faster" and "Slower" beside it.
    const auto intervalRow = [&](SphereButton*& display, SphereButton*& faster, SphereButton*& slower, const QString& hint) {
        display = makeDisplay(page, kMargin, y, kIntervalDisplayWidth, hint);
        faster = MakeButton(page, tr("Faster"), kMargin + kIntervalDisplayWidth + kGap, y, kStepButtonWidth, kRowHeight);
        slower = MakeButton(page, tr("Slower"), kMargin + kIntervalDisplayWidth + kStepButtonWidth + 2 * kGap, y,
            kStepButtonWidth, kRowHeight);
        y += kRowHeight + kGroupGap;
    };

    caption(tr("Motion"));
    SButton_Travelling = box(tr("Travelling animation"));
    y += kGroupGap;

    caption(tr("Fullscreen Autopilot"));
    SCheck_ChangePreset = box(tr("Change Preset"));
    SCheck_ChangeFormula = box(tr("Change Formula"));
    SCheck_ChangeMirror = box(tr("Change Mirror"));
    intervalRow(SButton_ChangeInterval, SButton_ChangeIntervalFaster, SButton_ChangeIntervalSlower,
        tr("Interval between activating new preset, formula, or mirror"));

    caption(tr("Fullscreen screensaver options"));
    SButton_RandomPicture = box(tr("Start with random preset"));
    SButton_Switch640 = box(tr("Switch to 640x480"));
    SButton_AnimationSize = makeDisplay(page, kMargin, y, kSizeDisplayWidth);
    SButton_AnimationSizeMinus
        = MakeButton(page, QStringLiteral("-"), kMargin + kSizeDisplayWidth + kGap, y, kSizeButtonWidth, kRowHeight);
    SButton_AnimationSizePlus = MakeButton(page, QStringLiteral("+"),
        kMargin + kSizeDisplayWidth + kSizeButtonWidth + 2 * kGap, y, kSizeButtonWidth, kRowHeight);
    y += kRowHeight + kGroupGap;

    caption(tr("Presets storage directory"));
    Edit1 = new QLineEdit(tr("no directory"), page);
    Edit1->setGeometry(kMargin, y, width - kChangeButtonWidth - kGap, kRowHeight);
    Edit1->setReadOnly(true);
    Edit1->setToolTip(tr("Directory were your presets are currently stored"));
    QPalette field = Edit1->palette();
    field.setColor(QPalette::Base, QColor(50, 50, 50));
    field.setColor(QPalette::Text, QColor(220, 220, 220));
    Edit1->setPalette(field);
    SButton_ChangeDirectory
        = MakeButton(page, tr("Change"), kMargin + width - kChangeButtonWidth, y, kChangeButtonWidth, kRowHeight);
    y += kRowHeight + kGroupGap;

    caption(tr("Blur effect"));
    SButton_CheckAllowBlur = box(tr("Allow blur"));
    SButton_CheckBlurInterlace = box(QStringLiteral("Interlaced "));
    SButton_CheckBlurChange = box(tr("Auto change"));
    intervalRow(SButton_BlurInterval, SButton_BlurIntervalFaster, SButton_BlurIntervalSlower,
        tr("Interval between changing blur effect"));

    // A check box shows its new state when its click arrives; the option follows it.
    for (const auto& [checkBox, option] : optionBoxes()) {
        connect(checkBox, &SphereButton::clicked, this, [this, checkBox, option] {
            if (SetOptionSwitch(Settings, option, checkBox->checked()))
                RestartLiveView();
        });
    }
    // Step buttons count a click and a double click alike, so a double click steps twice.
    const std::pair<SphereButton*, OptionStep> steps[] = { { SButton_ChangeIntervalFaster, OptionStep::IntervalFaster },
        { SButton_ChangeIntervalSlower, OptionStep::IntervalSlower },
        { SButton_BlurIntervalFaster, OptionStep::BlurIntervalFaster },
        { SButton_BlurIntervalSlower, OptionStep::BlurIntervalSlower },
        { SButton_AnimationSizeMinus, OptionStep::SizeMinus }, { SButton_AnimationSizePlus, OptionStep::SizePlus } };
    for (const auto& [button, step] : steps) {
        const auto stepOnce = [this, step] {
            StepOption(Settings, step);
            showOptionValues();
        };
        connect(button, &SphereButton::clicked, this, stepOnce);
        connect(button, &SphereButton::doubleClicked, this, stepOnce);
    }
    connect(SButton_ChangeDirectory, &SphereButton::clicked, this, &EditorWindow::SButton_ChangeDirectoryClick);

    FormSelDir = new FolderChooser(this);
}

void EditorWindow::RefreshOptions()
{
    RoundScaleDown(Settings);
    for (const auto& [checkBox, option] : optionBoxes())
        checkBox->setChecked(OptionSwitchState(Settings, option));
    Edit1->setText(Settings.PresetsDir.empty() ? tr("no directory") : QString::fromStdString(Settings.PresetsDir));
    showOptionValues();
}

void EditorWindow::showOptionValues()
{
    SButton_ChangeInterval->setCaption(qText(IntervalCaption(Settings.Seconds)));
    SButton_BlurInterval->setCaption(qText(IntervalCaption(Settings.FiterAutoSeconds)));
    SButton_AnimationSize->setCaption(qText(AnimationSizeCaption(Settings.Scale)));
}

void EditorWindow::SButton_ChangeDirectoryClick()
{
    FormSelDir->setDirectory(QString::fromStdString(Settings.PresetsDir));
    if (FormSelDir->exec() != QDialog::Accepted)
        return;
    // Stored as picked: the chooser keeps the user's own spelling of the path.
    usePresetsFolder(FormSelDir->directory());
}

void EditorWindow::usePresetsFolder(const QString& folder)
{
    Settings.PresetsDir = folder.toStdString();
    Edit1->setText(Settings.PresetsDir.empty() ? tr("no directory") : folder);
    FillPresetList();
}
