#include "editor/options_page.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/idle_options_group.h"
#include "editor/page_metrics.h"
#include "presets/settings.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace {

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

SphereButton* named(SphereButton* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace

std::array<std::pair<SphereButton*, OptionSwitch>, OptionsPage::kOptionBoxCount> OptionsPage::optionBoxes() const
{
    return { { { m_travelBox, OptionSwitch::Travel }, { m_changePresetBox, OptionSwitch::ChangePresets },
        { m_changeFormulaBox, OptionSwitch::ChangeFormula }, { m_changeMirrorBox, OptionSwitch::ChangeMirror },
        { m_randomStartBox, OptionSwitch::RandomStart }, { m_lowResBox, OptionSwitch::LowRes },
        { m_blurBox, OptionSwitch::Filter }, { m_blurInterlaceBox, OptionSwitch::Interlace },
        { m_blurAutoChangeBox, OptionSwitch::FilterAuto } } };
}

OptionsPage::OptionsPage(SettingsRecord& options, QWidget* parent)
    : QWidget(parent)
    , m_options(options)
{
    setObjectName(QStringLiteral("optionsPage"));
    setGround(this, kPageGround, kPageGround, kPageGround);
    // Each group goes under the one before; top is where the next one starts.
    int top = 4;
    buildMotionGroup(top);
    buildAutopilotGroup(top);
    buildSaverGroup(top);
    buildFolderGroup(top);
    buildBlurGroup(top);
    // The idle service's choices sit below the page's own groups, which keep their places.
    (new IdleOptionsGroup(this, QCoreApplication::applicationFilePath()))->move(0, top);
    connectControls();
}

void OptionsPage::addCaption(int& top, const QString& text)
{
    makeLabel(this, text, kPageMargin, top, kPageWidth - 2 * kPageMargin, kCaptionHeight);
    top += kCaptionHeight;
}

SphereButton* OptionsPage::addCheckBox(int& top, const QString& text, const char* name)
{
    SphereButton* box = named(makeCheckBox(this, text, kPageMargin, top, kBoxWidth, kBoxHeight), name);
    top += kBoxPitch;
    return box;
}

OptionsPage::IntervalRow OptionsPage::addIntervalRow(
    int& top, const QString& hint, const char* what, const QString& changes)
{
    // A value display with "Faster" and "Slower" beside it. The two rows' buttons share
    // their captions; a reader hears what each one changes.
    const QLatin1String prefix(what);
    IntervalRow row;
    row.display = makeDisplay(this, kPageMargin, top, kIntervalDisplayWidth, hint);
    row.display->setObjectName(QStringLiteral("%1IntervalDisplay").arg(prefix));
    row.faster = makeButton(
        this, tr("Faster"), kPageMargin + kIntervalDisplayWidth + kGap, top, kStepButtonWidth, kRowHeight);
    row.faster->setObjectName(QStringLiteral("%1IntervalFasterButton").arg(prefix));
    row.faster->setAccessibleName(tr("Faster %1").arg(changes));
    row.slower = makeButton(this, tr("Slower"), kPageMargin + kIntervalDisplayWidth + kStepButtonWidth + 2 * kGap,
        top, kStepButtonWidth, kRowHeight);
    row.slower->setObjectName(QStringLiteral("%1IntervalSlowerButton").arg(prefix));
    row.slower->setAccessibleName(tr("Slower %1").arg(changes));
    top += kRowHeight + kGroupGap;
    return row;
}

void OptionsPage::buildMotionGroup(int& top)
{
    addCaption(top, tr("Motion"));
    m_travelBox = addCheckBox(top, tr("Travelling animation"), "travelBox");
    top += kGroupGap;
}

void OptionsPage::buildAutopilotGroup(int& top)
{
    addCaption(top, tr("Fullscreen Autopilot"));
    m_changePresetBox = addCheckBox(top, tr("Change Preset"), "changePresetBox");
    m_changeFormulaBox = addCheckBox(top, tr("Change Formula"), "changeFormulaBox");
    m_changeMirrorBox = addCheckBox(top, tr("Change Mirror"), "changeMirrorBox");
    const IntervalRow row = addIntervalRow(top, tr("Interval between activating new preset, formula, or mirror"),
        "change", tr("autopilot changes"));
    m_changeIntervalDisplay = row.display;
    m_changeIntervalFasterButton = row.faster;
    m_changeIntervalSlowerButton = row.slower;
}

void OptionsPage::buildSaverGroup(int& top)
{
    addCaption(top, tr("Fullscreen screensaver options"));
    m_randomStartBox = addCheckBox(top, tr("Start with random preset"), "randomStartBox");
    m_lowResBox = addCheckBox(top, tr("Switch to 640x480"), "lowResBox");
    m_animationSizeDisplay = named(makeDisplay(this, kPageMargin, top, kSizeDisplayWidth), "animationSizeDisplay");
    m_animationSizeMinusButton = named(makeButton(this, QStringLiteral("-"), kPageMargin + kSizeDisplayWidth + kGap,
                                           top, kSizeButtonWidth, kRowHeight),
        "animationSizeMinusButton");
    m_animationSizeMinusButton->setAccessibleName(tr("Smaller animation"));
    m_animationSizePlusButton = named(makeButton(this, QStringLiteral("+"),
                                          kPageMargin + kSizeDisplayWidth + kSizeButtonWidth + 2 * kGap, top,
                                          kSizeButtonWidth, kRowHeight),
        "animationSizePlusButton");
    m_animationSizePlusButton->setAccessibleName(tr("Larger animation"));
    top += kRowHeight + kGroupGap;
}

void OptionsPage::buildFolderGroup(int& top)
{
    const int width = kPageWidth - 2 * kPageMargin;
    addCaption(top, tr("Presets storage directory"));
    m_presetsFolderField = new QLineEdit(tr("no directory"), this);
    m_presetsFolderField->setObjectName(QStringLiteral("presetsFolderField"));
    m_presetsFolderField->setGeometry(kPageMargin, top, width - kChangeButtonWidth - kGap, kRowHeight);
    m_presetsFolderField->setReadOnly(true);
    m_presetsFolderField->setToolTip(tr("Directory were your presets are currently stored"));
    m_presetsFolderField->setAccessibleName(tr("Presets folder"));
    QPalette field = m_presetsFolderField->palette();
    field.setColor(QPalette::Base, QColor(50, 50, 50));
    field.setColor(QPalette::Text, QColor(220, 220, 220));
    m_presetsFolderField->setPalette(field);
    m_changeFolderButton = named(
        makeButton(this, tr("Change"), kPageMargin + width - kChangeButtonWidth, top, kChangeButtonWidth, kRowHeight),
        "changeFolderButton");
    m_changeFolderButton->setAccessibleName(tr("Change presets folder"));
    top += kRowHeight + kGroupGap;
}

void OptionsPage::buildBlurGroup(int& top)
{
    addCaption(top, tr("Blur effect"));
    m_blurBox = addCheckBox(top, tr("Allow blur"), "blurBox");
    m_blurInterlaceBox = addCheckBox(top, QStringLiteral("Interlaced "), "blurInterlaceBox");
    m_blurInterlaceBox->setAccessibleName(tr("Interlaced blur"));
    m_blurAutoChangeBox = addCheckBox(top, tr("Auto change"), "blurAutoChangeBox");
    const IntervalRow row
        = addIntervalRow(top, tr("Interval between changing blur effect"), "blur", tr("blur changes"));
    m_blurIntervalDisplay = row.display;
    m_blurIntervalFasterButton = row.faster;
    m_blurIntervalSlowerButton = row.slower;
}

void OptionsPage::connectControls()
{
    // A check box shows its new state when its click arrives; the option follows it.
    for (const auto& [checkBox, option] : optionBoxes()) {
        connect(checkBox, &SphereButton::clicked, this, [this, checkBox, option] {
            if (setOptionSwitch(m_options, option, checkBox->checked()))
                emit liveViewOptionChanged();
        });
    }
    // Step buttons count a click and a double click alike, so a double click steps twice.
    const std::pair<SphereButton*, OptionStep> steps[]
        = { { m_changeIntervalFasterButton, OptionStep::IntervalFaster },
              { m_changeIntervalSlowerButton, OptionStep::IntervalSlower },
              { m_blurIntervalFasterButton, OptionStep::BlurIntervalFaster },
              { m_blurIntervalSlowerButton, OptionStep::BlurIntervalSlower },
              { m_animationSizeMinusButton, OptionStep::SizeMinus },
              { m_animationSizePlusButton, OptionStep::SizePlus } };
    for (const auto& [button, step] : steps) {
        const auto stepOnce = [this, step] {
            stepOption(m_options, step);
            showStepValues();
        };
        connect(button, &SphereButton::clicked, this, stepOnce);
        connect(button, &SphereButton::doubleClicked, this, stepOnce);
    }
    connect(m_changeFolderButton, &SphereButton::clicked, this, &OptionsPage::changeFolderPressed);
}

void OptionsPage::showOptions()
{
    roundScaleDown(m_options);
    for (const auto& [checkBox, option] : optionBoxes())
        checkBox->setChecked(optionSwitchState(m_options, option));
    showPresetsFolder(QString::fromStdString(m_options.presetsDir));
    showStepValues();
}

void OptionsPage::showPresetsFolder(const QString& folder)
{
    m_presetsFolderField->setText(folder.isEmpty() ? tr("no directory") : folder);
}

void OptionsPage::showStepValues()
{
    m_changeIntervalDisplay->setCaption(qText(intervalCaption(m_options.seconds)));
    m_blurIntervalDisplay->setCaption(qText(intervalCaption(m_options.filterAutoSeconds)));
    // A value display's caption is a bare figure: the name says whose it is.
    m_changeIntervalDisplay->setAccessibleName(tr("Autopilot interval, %1").arg(m_changeIntervalDisplay->caption()));
    m_blurIntervalDisplay->setAccessibleName(tr("Blur change interval, %1").arg(m_blurIntervalDisplay->caption()));
    m_animationSizeDisplay->setCaption(qText(animationSizeCaption(m_options.scale)));
}
