#include "editor/options_page.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"
#include "presets/settings.h"

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
    const int width = kPageWidth - 2 * kPageMargin;
    int y = 4;
    const auto caption = [&](const QString& text) {
        makeLabel(this, text, kPageMargin, y, width, kCaptionHeight);
        y += kCaptionHeight;
    };
    const auto box = [&](const QString& text, const char* name) {
        SphereButton* made = named(makeCheckBox(this, text, kPageMargin, y, kBoxWidth, kBoxHeight), name);
        y += kBoxPitch;
        return made;
    };
    // A value display with "Faster" and "Slower" beside it.
    const auto intervalRow = [&](SphereButton*& display, SphereButton*& faster, SphereButton*& slower,
                                 const QString& hint, const char* what) {
        display = named(makeDisplay(this, kPageMargin, y, kIntervalDisplayWidth, hint),
            qPrintable(QStringLiteral("%1IntervalDisplay").arg(QLatin1String(what))));
        faster = makeButton(this, tr("Faster"), kPageMargin + kIntervalDisplayWidth + kGap, y, kStepButtonWidth,
            kRowHeight);
        faster->setObjectName(QStringLiteral("%1IntervalFasterButton").arg(QLatin1String(what)));
        slower = makeButton(this, tr("Slower"), kPageMargin + kIntervalDisplayWidth + kStepButtonWidth + 2 * kGap, y,
            kStepButtonWidth, kRowHeight);
        slower->setObjectName(QStringLiteral("%1IntervalSlowerButton").arg(QLatin1String(what)));
        y += kRowHeight + kGroupGap;
    };

    caption(tr("Motion"));
    m_travelBox = box(tr("Travelling animation"), "travelBox");
    y += kGroupGap;

    caption(tr("Fullscreen Autopilot"));
    m_changePresetBox = box(tr("Change Preset"), "changePresetBox");
    m_changeFormulaBox = box(tr("Change Formula"), "changeFormulaBox");
    m_changeMirrorBox = box(tr("Change Mirror"), "changeMirrorBox");
    intervalRow(m_changeIntervalDisplay, m_changeIntervalFasterButton, m_changeIntervalSlowerButton,
        tr("Interval between activating new preset, formula, or mirror"), "change");

    caption(tr("Fullscreen screensaver options"));
    m_randomStartBox = box(tr("Start with random preset"), "randomStartBox");
    m_lowResBox = box(tr("Switch to 640x480"), "lowResBox");
    m_animationSizeDisplay = named(makeDisplay(this, kPageMargin, y, kSizeDisplayWidth), "animationSizeDisplay");
    m_animationSizeMinusButton = named(makeButton(this, QStringLiteral("-"), kPageMargin + kSizeDisplayWidth + kGap, y,
                                           kSizeButtonWidth, kRowHeight),
        "animationSizeMinusButton");
    m_animationSizePlusButton = named(makeButton(this, QStringLiteral("+"),
                                          kPageMargin + kSizeDisplayWidth + kSizeButtonWidth + 2 * kGap, y,
                                          kSizeButtonWidth, kRowHeight),
        "animationSizePlusButton");
    y += kRowHeight + kGroupGap;

    caption(tr("Presets storage directory"));
    m_presetsFolderField = new QLineEdit(tr("no directory"), this);
    m_presetsFolderField->setObjectName(QStringLiteral("presetsFolderField"));
    m_presetsFolderField->setGeometry(kPageMargin, y, width - kChangeButtonWidth - kGap, kRowHeight);
    m_presetsFolderField->setReadOnly(true);
    m_presetsFolderField->setToolTip(tr("Directory were your presets are currently stored"));
    QPalette field = m_presetsFolderField->palette();
    field.setColor(QPalette::Base, QColor(50, 50, 50));
    field.setColor(QPalette::Text, QColor(220, 220, 220));
    m_presetsFolderField->setPalette(field);
    m_changeFolderButton = named(
        makeButton(this, tr("Change"), kPageMargin + width - kChangeButtonWidth, y, kChangeButtonWidth, kRowHeight),
        "changeFolderButton");
    y += kRowHeight + kGroupGap;

    caption(tr("Blur effect"));
    m_blurBox = box(tr("Allow blur"), "blurBox");
    m_blurInterlaceBox = box(QStringLiteral("Interlaced "), "blurInterlaceBox");
    m_blurAutoChangeBox = box(tr("Auto change"), "blurAutoChangeBox");
    intervalRow(m_blurIntervalDisplay, m_blurIntervalFasterButton, m_blurIntervalSlowerButton,
        tr("Interval between changing blur effect"), "blur");

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
    m_animationSizeDisplay->setCaption(qText(animationSizeCaption(m_options.scale)));
}
