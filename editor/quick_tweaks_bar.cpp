#include "editor/quick_tweaks_bar.h"

#include "controls/path_painter.h"
#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"
#include "editor/panel_accessible.h"
#include "editor/shape_editor.h"
#include "engine/picture_panel.h"
#include "presets/run_record.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr int kThumbnailSide = 50;
constexpr int kThumbnailGap = 2;
constexpr int kThumbnailTop = 1;
constexpr int kSwitchWidth = 48;
constexpr int kSwitchHeight = 14;
constexpr int kSwitchTop = 52;
constexpr int kPathWidth = 365;
constexpr int kPathHeight = 51;
constexpr int kPathTop = 66;
constexpr int kTweaksLeft = 368;
constexpr int kTweakWidth = 92;
constexpr int kResetLeft = 463;
constexpr int kResetWidth = 27;
constexpr int kTweakHeight = 23;

} // namespace

QuickTweaksBar::QuickTweaksBar(ShapeEditor& editor, RunRecord& record, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
    , m_record(record)
{
    setObjectName(QStringLiteral("quickTweaksBar"));
    setGround(this, 0, 0, 0);
    buildObjectRow();
    buildPalettePath();
    buildTweakButtons();
    connectTweakButtons();
}

void QuickTweaksBar::buildObjectRow()
{
    for (int i = 0; i < kObjectCount; ++i) {
        const int left = kThumbnailGap / 2 + i * (kThumbnailSide + kThumbnailGap);
        m_thumbnails[static_cast<size_t>(i)] = makeThumbnail(i, left);
        m_objectSwitches[static_cast<size_t>(i)] = makeObjectSwitch(i, left);
    }
}

PicturePanel* QuickTweaksBar::makeThumbnail(int object, int left)
{
    auto* thumbnail = new PicturePanel(this);
    // The role goes first: a reader's interface, once made, keeps the role it was made with.
    setAccessibleRole(thumbnail, QAccessible::RadioButton);
    // Objects are counted from 1 where the user sees them.
    thumbnail->setObjectName(QStringLiteral("objectThumbnail%1").arg(object + 1));
    thumbnail->setAccessibleName(tr("Object %1").arg(object + 1));
    thumbnail->setAccessibleDescription(tr("Click, or use the left and right arrow keys, to select the object"));
    // The thumbnails are one group of choices: only the selected one is in the Tab order
    // (see highlightObject), and the arrow keys move the selection.
    setAccessibleChecked(thumbnail, false);
    setAccessibleSelectAction(thumbnail, [this, object] { m_editor.selectObject(object); });
    thumbnail->setFocusPolicy(Qt::NoFocus);
    thumbnail->setFocusMark(true);
    thumbnail->setGeometry(left, kThumbnailTop, kThumbnailSide, kThumbnailSide);
    setGround(thumbnail, 0, 0, 0);
    thumbnail->installEventFilter(this);
    ShapePreviewPainter& painter = m_thumbnailPainters[static_cast<size_t>(object)];
    painter.panel = thumbnail;
    thumbnail->painter = &painter;
    return thumbnail;
}

SphereButton* QuickTweaksBar::makeObjectSwitch(int object, int left)
{
    SphereButton* on = makeCheckBox(
        this, QString(), left + 1, kSwitchTop, kSwitchWidth, kSwitchHeight, tr("Switch the above object On or Off"));
    on->setObjectName(QStringLiteral("objectSwitch%1").arg(object + 1));
    on->setAccessibleName(tr("Object %1 drawn").arg(object + 1));
    connect(on, &SphereButton::clicked, this, [this] {
        std::array<bool, kObjectCount> states {};
        for (size_t k = 0; k < states.size(); ++k)
            states[k] = m_objectSwitches[k]->checked();
        m_editor.setObjectSwitches(states);
    });
    return on;
}

void QuickTweaksBar::buildPalettePath()
{
    m_palettePath = new PathPainter(this);
    m_palettePath->sharePalette(m_record.palette);
    m_palettePath->setObjectName(QStringLiteral("palettePath"));
    m_palettePath->setAccessibleName(tr("Palette path"));
    m_palettePath->setAccessibleDescription(tr("Draw a path across the colours to colour the objects along it; "
                                               "from the keyboard, Space starts and ends a path and the arrow keys draw it"));
    m_palettePath->setGeometry(0, kPathTop, kPathWidth, kPathHeight);
    m_palettePath->setCursor(Qt::PointingHandCursor);
    m_palettePath->setToolTip(tr("Draw here and Color the Objects!"));
    connect(
        m_palettePath, &PathPainter::paintOver, this, [this] { m_editor.applyPathColors(m_palettePath->colors()); });
}

void QuickTweaksBar::buildTweakButtons()
{
    m_titleLabel = makeLabel(this, tr("Quick tweaks"), kTweaksLeft, 2, kLiveViewWidth - kTweaksLeft, 16);
    m_titleLabel->setAlignment(Qt::AlignCenter);

    // Each main button shows what is in use (see showCaptions); the "(-)" beside it goes
    // back to the classic setting and is named in words for a reader.
    struct Tweak {
        SphereButton** button;
        bool reset;
        int row;
        const char* hint;
        const char* name;
        const char* accessibleName; // null: the caption
        const char* description; // null: the hint
    };
    const Tweak tweaks[] = {
        { &m_formulaButton, false, 0, "Change motion formula", "formulaButton", nullptr, nullptr },
        { &m_classicFormulaButton, true, 0, "Set classic formula (reset formula)", "classicFormulaButton",
            "Reset formula", "Back to the classic formula" },
        { &m_mirrorButton, false, 1, "Change mirror effect", "mirrorButton", nullptr, nullptr },
        { &m_noMirrorButton, true, 1, "No mirror effect", "noMirrorButton", "No mirror",
            "Turns the mirror effect off" },
        { &m_paletteButton, false, 2, "Change color picker palette", "paletteButton", nullptr, nullptr },
        { &m_classicPaletteButton, true, 2, "Reset palette", "classicPaletteButton", "Reset palette",
            "Back to the classic palette" },
    };
    const int rowTops[3] = { 22, 51, 80 };
    for (const Tweak& tweak : tweaks) {
        SphereButton* button = makeButton(this, tweak.reset ? QStringLiteral("(-)") : QString(),
            tweak.reset ? kResetLeft : kTweaksLeft, rowTops[tweak.row], tweak.reset ? kResetWidth : kTweakWidth,
            kTweakHeight, tr(tweak.hint));
        button->setObjectName(QString::fromLatin1(tweak.name));
        if (tweak.accessibleName)
            button->setAccessibleName(tr(tweak.accessibleName));
        if (tweak.description)
            button->setAccessibleDescription(tr(tweak.description));
        *tweak.button = button;
    }
}

void QuickTweaksBar::connectTweakButtons()
{
    // The three main buttons react to a click and again to a double click.
    const auto formula = [this] {
        m_editor.nextFormula();
        showCaptions();
    };
    const auto mirror = [this] {
        m_editor.nextMirror();
        showCaptions();
    };
    const auto palette = [this] {
        m_palettePath->nextPalette();
        showCaptions();
        m_editor.paletteChanged();
    };
    connect(m_formulaButton, &SphereButton::clicked, this, formula);
    connect(m_formulaButton, &SphereButton::doubleClicked, this, formula);
    connect(m_mirrorButton, &SphereButton::clicked, this, mirror);
    connect(m_mirrorButton, &SphereButton::doubleClicked, this, mirror);
    connect(m_paletteButton, &SphereButton::clicked, this, palette);
    connect(m_paletteButton, &SphereButton::doubleClicked, this, palette);
    connect(m_classicFormulaButton, &SphereButton::clicked, this, [this] {
        m_editor.classicFormula();
        showCaptions();
    });
    connect(m_noMirrorButton, &SphereButton::clicked, this, [this] {
        m_editor.noMirror();
        showCaptions();
    });
    connect(m_classicPaletteButton, &SphereButton::clicked, this, [this] {
        m_palettePath->classicPalette();
        showCaptions();
        m_editor.paletteChanged();
    });
}

QuickTweaksBar::~QuickTweaksBar()
{
    // The thumbnails go after the painters (children after members): they let go first.
    for (PicturePanel* thumbnail : m_thumbnails)
        thumbnail->painter = nullptr;
}

void QuickTweaksBar::bindThumbnails()
{
    for (size_t i = 0; i < m_thumbnailPainters.size(); ++i)
        m_thumbnailPainters[i].setStack(m_record.preset.objects.stacks[i][0].get());
}

void QuickTweaksBar::showSwitches()
{
    for (size_t i = 0; i < m_objectSwitches.size(); ++i)
        m_objectSwitches[i]->setChecked(m_record.preset.objectEnabled[i] != 0);
}

void QuickTweaksBar::showCaptions()
{
    m_formulaButton->setCaption(QString::fromStdString(formulaCaption(m_record.options)));
    m_mirrorButton->setCaption(QString::fromStdString(mirrorCaption(m_record.options)));
    m_paletteButton->setCaption(QString::fromStdString(paletteCaption(m_record.palette)));
}

void QuickTweaksBar::usePalette(int32_t palette)
{
    if (palette != m_palettePath->palette())
        m_palettePath->usePalette(palette);
    showCaptions();
}

void QuickTweaksBar::highlightObject(int32_t object)
{
    const bool hadFocus = std::any_of(
        m_thumbnails.begin(), m_thumbnails.end(), [](const PicturePanel* thumbnail) { return thumbnail->hasFocus(); });
    for (int i = 0; i < kObjectCount; ++i) {
        const auto index = static_cast<size_t>(i);
        m_thumbnailPainters[index].setHighlight(i == object);
        m_thumbnails[index]->setFocusPolicy(i == object ? Qt::TabFocus : Qt::NoFocus);
        setAccessibleChecked(m_thumbnails[index], i == object);
    }
    // The keyboard's place follows the selection it moved.
    if (hadFocus && object >= 0 && object < kObjectCount)
        m_thumbnails[static_cast<size_t>(object)]->setFocus(Qt::TabFocusReason);
}

void QuickTweaksBar::repaintThumbnail(int32_t object)
{
    if (object >= 0 && object < kObjectCount)
        m_thumbnails[static_cast<size_t>(object)]->update();
}

bool QuickTweaksBar::thumbnailKeyPressed(int32_t object, const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Left: object = std::max(object - 1, 0); break;
    case Qt::Key_Right: object = std::min(object + 1, kObjectCount - 1); break;
    case Qt::Key_Home: object = 0; break;
    case Qt::Key_End: object = kObjectCount - 1; break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: break;
    default: return false;
    }
    if (object != m_editor.currentObject)
        m_editor.selectObject(object);
    return true;
}

bool QuickTweaksBar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        for (int i = 0; i < kObjectCount; ++i) {
            if (watched == m_thumbnails[static_cast<size_t>(i)])
                return thumbnailKeyPressed(i, *static_cast<QKeyEvent*>(event));
        }
        return QWidget::eventFilter(watched, event);
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove
        && type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    for (int i = 0; i < kObjectCount; ++i) {
        if (watched == m_thumbnails[static_cast<size_t>(i)]) {
            if (press && left)
                m_editor.selectObject(i);
            return press;
        }
    }
    return QWidget::eventFilter(watched, event);
}
