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
    SphereButton* display = makeButton(page, QString(), x, y, width, kRowHeight, hint);
    display->setIsButton(false);
    return display;
}

} // namespace

// The check boxes of the page and the options they show, in page order.
std::array<std::pair<SphereButton*, OptionSwitch>, 9> EditorWindow::optionBoxes() const
{
    return { { { sButtonTravelling, OptionSwitch::Travel }, { sCheckChangePreset, OptionSwitch::ChangePresets },
        { sCheckChangeFormula, OptionSwitch::ChangeFormula }, { sCheckChangeMirror, OptionSwitch::ChangeMirror },
        { sButtonRandomPicture, OptionSwitch::RandomStart }, { sButtonSwitch640, OptionSwitch::LowRes },
        { sButtonCheckAllowBlur, OptionSwitch::Filter }, { sButtonCheckBlurInterlace, OptionSwitch::Interlace },
        { sButtonCheckBlurChange, OptionSwitch::FilterAuto } } };
}

void EditorWindow::buildOptionsPage()
{
    QWidget* page = panelTabOptions;
    const int width = kPageWidth - 2 * kMargin;
    int y = 4;
    const auto caption = [&](const QString& text) {
        makeLabel(page, text, kMargin, y, width, kCaptionHeight);
        y += kCaptionHeight;
    };
    const auto box = [&](const QString& text) {
        SphereButton* made = makeCheckBox(page, text, kMargin, y, kBoxWidth, kBoxHeight);
        y += kBoxPitch;
        return made;
    };
    // A value display with "Faster" and "Slower" beside it.
    const auto intervalRow = [&](SphereButton*& display, SphereButton*& faster, SphereButton*& slower, const QString& hint) {
        display = makeDisplay(page, kMargin, y, kIntervalDisplayWidth, hint);
        faster = makeButton(page, tr("Faster"), kMargin + kIntervalDisplayWidth + kGap, y, kStepButtonWidth, kRowHeight);
        slower = makeButton(page, tr("Slower"), kMargin + kIntervalDisplayWidth + kStepButtonWidth + 2 * kGap, y,
            kStepButtonWidth, kRowHeight);
        y += kRowHeight + kGroupGap;
    };

    caption(tr("Motion"));
    sButtonTravelling = box(tr("Travelling animation"));
    y += kGroupGap;

    caption(tr("Fullscreen Autopilot"));
    sCheckChangePreset = box(tr("Change Preset"));
    sCheckChangeFormula = box(tr("Change Formula"));
    sCheckChangeMirror = box(tr("Change Mirror"));
    intervalRow(sButtonChangeInterval, sButtonChangeIntervalFaster, sButtonChangeIntervalSlower,
        tr("Interval between activating new preset, formula, or mirror"));

    caption(tr("Fullscreen screensaver options"));
    sButtonRandomPicture = box(tr("Start with random preset"));
    sButtonSwitch640 = box(tr("Switch to 640x480"));
    sButtonAnimationSize = makeDisplay(page, kMargin, y, kSizeDisplayWidth);
    sButtonAnimationSizeMinus
        = makeButton(page, QStringLiteral("-"), kMargin + kSizeDisplayWidth + kGap, y, kSizeButtonWidth, kRowHeight);
    sButtonAnimationSizePlus = makeButton(page, QStringLiteral("+"),
        kMargin + kSizeDisplayWidth + kSizeButtonWidth + 2 * kGap, y, kSizeButtonWidth, kRowHeight);
    y += kRowHeight + kGroupGap;

    caption(tr("Presets storage directory"));
    edit1 = new QLineEdit(tr("no directory"), page);
    edit1->setGeometry(kMargin, y, width - kChangeButtonWidth - kGap, kRowHeight);
    edit1->setReadOnly(true);
    edit1->setToolTip(tr("Directory were your presets are currently stored"));
    QPalette field = edit1->palette();
    field.setColor(QPalette::Base, QColor(50, 50, 50));
    field.setColor(QPalette::Text, QColor(220, 220, 220));
    edit1->setPalette(field);
    sButtonChangeDirectory
        = makeButton(page, tr("Change"), kMargin + width - kChangeButtonWidth, y, kChangeButtonWidth, kRowHeight);
    y += kRowHeight + kGroupGap;

    caption(tr("Blur effect"));
    sButtonCheckAllowBlur = box(tr("Allow blur"));
    sButtonCheckBlurInterlace = box(QStringLiteral("Interlaced "));
    sButtonCheckBlurChange = box(tr("Auto change"));
    intervalRow(sButtonBlurInterval, sButtonBlurIntervalFaster, sButtonBlurIntervalSlower,
        tr("Interval between changing blur effect"));

    // A check box shows its new state when its click arrives; the option follows it.
    for (const auto& [checkBox, option] : optionBoxes()) {
        connect(checkBox, &SphereButton::clicked, this, [this, checkBox, option] {
            if (setOptionSwitch(Settings, option, checkBox->checked()))
                restartLiveView();
        });
    }
    // Step buttons count a click and a double click alike, so a double click steps twice.
    const std::pair<SphereButton*, OptionStep> steps[] = { { sButtonChangeIntervalFaster, OptionStep::IntervalFaster },
        { sButtonChangeIntervalSlower, OptionStep::IntervalSlower },
        { sButtonBlurIntervalFaster, OptionStep::BlurIntervalFaster },
        { sButtonBlurIntervalSlower, OptionStep::BlurIntervalSlower },
        { sButtonAnimationSizeMinus, OptionStep::SizeMinus }, { sButtonAnimationSizePlus, OptionStep::SizePlus } };
    for (const auto& [button, step] : steps) {
        const auto stepOnce = [this, step] {
            stepOption(Settings, step);
            showOptionValues();
        };
        connect(button, &SphereButton::clicked, this, stepOnce);
        connect(button, &SphereButton::doubleClicked, this, stepOnce);
    }
    connect(sButtonChangeDirectory, &SphereButton::clicked, this, &EditorWindow::sButtonChangeDirectoryClick);

    formSelDir = new FolderChooser(this);
}

void EditorWindow::refreshOptions()
{
    roundScaleDown(Settings);
    for (const auto& [checkBox, option] : optionBoxes())
        checkBox->setChecked(optionSwitchState(Settings, option));
    edit1->setText(Settings.presetsDir.empty() ? tr("no directory") : QString::fromStdString(Settings.presetsDir));
    showOptionValues();
}

void EditorWindow::showOptionValues()
{
    sButtonChangeInterval->setCaption(qText(intervalCaption(Settings.seconds)));
    sButtonBlurInterval->setCaption(qText(intervalCaption(Settings.filterAutoSeconds)));
    sButtonAnimationSize->setCaption(qText(animationSizeCaption(Settings.scale)));
}

void EditorWindow::sButtonChangeDirectoryClick()
{
    formSelDir->setDirectory(QString::fromStdString(Settings.presetsDir));
    if (formSelDir->exec() != QDialog::Accepted)
        return;
    // Stored as picked: the chooser keeps the user's own spelling of the path.
    usePresetsFolder(formSelDir->directory());
}

void EditorWindow::usePresetsFolder(const QString& folder)
{
    Settings.presetsDir = folder.toStdString();
    edit1->setText(Settings.presetsDir.empty() ? tr("no directory") : folder);
    fillPresetList();
}
