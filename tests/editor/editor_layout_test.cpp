// Every page and dialog of the editor, walked offscreen: each text shows whole in the
// widget that holds it, measured with that widget's own font, no two visible siblings
// overlap, and the dialogs and the menu are dark with readable text like the editor. The
// program runs once at device pixel ratio 1 and once at 2 (OPAL_TEST_SCALE); each run
// walks at the system font and at one 20 % larger.

#include "tests/editor/editor_fixture.h"

#include "controls/sphere_button.h"
#include "dialogs/folder_chooser.h"
#include "editor/auto_apply_dialog.h"
#include "editor/capture_progress_window.h"
#include "editor/export_flows.h"
#include "editor/preset_choice.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>

#include <filesystem>
#include <functional>

namespace {

QString describe(const QWidget* widget)
{
    QString name = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty())
        name += QStringLiteral(" ") + widget->objectName();
    return name + QStringLiteral(" at (%1, %2) %3 x %4")
                      .arg(widget->x())
                      .arg(widget->y())
                      .arg(widget->width())
                      .arg(widget->height());
}

// A button's text as shown: "&&" is an ampersand, a single "&" marks the shortcut.
QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// The part of a widget its text is drawn into, the text and how it is laid out there.
struct TextPlace {
    QString text;
    QRect room;
    int flags = Qt::AlignLeft;
};

std::optional<TextPlace> textPlace(QWidget* widget)
{
    if (auto* button = qobject_cast<SphereButton*>(widget)) {
        // Captions are drawn into (0, 0, W - 2, H - 2), a check box's from column 36.
        const QRect inside(0, 0, button->width() - 2, button->height() - 2);
        if (button->isCheckBox())
            return TextPlace { button->caption(), inside.adjusted(36, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter };
        return TextPlace { button->caption(), inside, Qt::AlignCenter };
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        const int margin = label->margin();
        const int wrap = label->wordWrap() ? Qt::TextWordWrap : 0;
        // A label with a buddy shows its "&" as the buddy's shortcut.
        const QString text = label->buddy() ? withoutMnemonic(label->text()) : label->text();
        return TextPlace { text, label->contentsRect().adjusted(margin, margin, -margin, -margin),
            static_cast<int>(label->alignment()) | wrap };
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (!button->icon().isNull())
            room.setLeft(room.left() + button->iconSize().width() + 4);
        return TextPlace { withoutMnemonic(button->text()), room, Qt::AlignCenter };
    }
    return std::nullopt;
}

// How much room a text needs where it is drawn, in the widget's own font. The editor's
// texts, and those it gives the standard dialogs, are plain.
QRect neededRect(const QWidget* widget, const TextPlace& place)
{
    const QFontMetrics metrics = widget->fontMetrics();
    const QRect bounds = metrics.boundingRect(place.room, place.flags, place.text);
    // A single line also needs its advance, which the bounding rectangle of its ink can
    // undercut.
    if (!(place.flags & Qt::TextWordWrap) && !place.text.contains(QLatin1Char('\n'))) {
        const int advance = metrics.horizontalAdvance(place.text);
        if (advance > bounds.width())
            return QRect(bounds.center().x() - advance / 2, bounds.y(), advance, bounds.height());
    }
    return bounds;
}

// The WCAG contrast of two colours: 1 for equal ones, 21 for black on white.
double contrast(const QColor& first, const QColor& second)
{
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double channel) {
            return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double a = luminance(first) + 0.05;
    const double b = luminance(second) + 0.05;
    return std::max(a, b) / std::min(a, b);
}

// The colours of a widget's text and of the ground behind it: a button's own, else the
// ground of the nearest widget that fills its background.
std::pair<QColor, QColor> textColours(const QWidget* widget)
{
    const QPalette& palette = widget->palette();
    if (qobject_cast<const QPushButton*>(widget))
        return { palette.color(QPalette::Active, QPalette::ButtonText),
            palette.color(QPalette::Active, QPalette::Button) };
    for (const QWidget* at = widget; at; at = at->parentWidget()) {
        if (at->autoFillBackground() || at->isWindow())
            return { palette.color(QPalette::Active, widget->foregroundRole()),
                at->palette().color(QPalette::Active, at->backgroundRole()) };
    }
    return { palette.color(QPalette::Active, widget->foregroundRole()),
        palette.color(QPalette::Active, QPalette::Window) };
}

// Texts shown whole, siblings apart, and text readable on its ground (3:1, the least the
// program's own lime-on-teal progress window reaches; greyed-out text may be fainter).
// Size grips sit in a dialog's corner over its layout, and the controls in `overlays` lie
// on a panel by design.
void checkWindow(QWidget* window, const QString& where, const QList<QWidget*>& overlays = {})
{
    SCOPED_TRACE(where.toStdString());
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || (widget != window && widget->isWindow()))
            continue;
        if (const auto place = textPlace(widget); place && !place->text.isEmpty()) {
            const QRect needed = neededRect(widget, *place);
            EXPECT_TRUE(place->room.contains(needed))
                << '"' << place->text.toStdString() << "\" in " << describe(widget).toStdString() << " needs "
                << needed.width() << " x " << needed.height() << " at (" << needed.x() << ", " << needed.y()
                << "), has " << place->room.width() << " x " << place->room.height() << " at (" << place->room.x()
                << ", " << place->room.y() << ")";
            if (!qobject_cast<SphereButton*>(widget) && widget->isEnabled()) {
                const auto [text, ground] = textColours(widget);
                EXPECT_GE(contrast(text, ground), 3.0)
                    << '"' << place->text.toStdString() << "\" in " << describe(widget).toStdString();
            }
        }
        if (auto* list = qobject_cast<QListWidget*>(widget)) {
            const QFontMetrics metrics = list->fontMetrics();
            for (int row = 0; row < list->count(); ++row) {
                const QRect line = list->visualItemRect(list->item(row));
                EXPECT_GE(line.height(), metrics.height()) << list->item(row)->text().toStdString();
                EXPECT_GE(line.width(), metrics.horizontalAdvance(list->item(row)->text()))
                    << list->item(row)->text().toStdString() << " in " << describe(list).toStdString();
            }
            EXPECT_GE(contrast(list->palette().color(QPalette::Text), list->palette().color(QPalette::Base)), 3.0)
                << describe(list).toStdString();
        }
        if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            // A field scrolls its text sideways, so only its height must hold a line.
            EXPECT_GE(field->height(), field->fontMetrics().height()) << describe(field).toStdString();
        }
        const QList<QWidget*> siblings = widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (qsizetype i = 0; i < siblings.size(); ++i) {
            for (qsizetype k = i + 1; k < siblings.size(); ++k) {
                QWidget* first = siblings[i];
                QWidget* second = siblings[k];
                const auto apart = [&](const QWidget* sibling) {
                    return sibling->isVisible() && !sibling->isWindow() && !qobject_cast<const QSizeGrip*>(sibling)
                        && !overlays.contains(sibling);
                };
                if (apart(first) && apart(second)) {
                    EXPECT_FALSE(first->geometry().intersects(second->geometry()))
                        << describe(first).toStdString() << " overlaps " << describe(second).toStdString();
                }
            }
        }
    }
}

// The dialogs and menus of the editor are dark like it.
void checkDark(const QWidget* window, const QString& where)
{
    EXPECT_LT(window->palette().color(QPalette::Window).lightness(), 80) << where.toStdString();
}

// Walks the next modal dialog that an action opens, then closes it.
void walkModal(const QString& where, const std::function<void()>& action)
{
    bool walked = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        QApplication::processEvents();
        checkWindow(dialog, where);
        checkDark(dialog, where);
        walked = true;
        dialog->reject();
    });
    poll.start();
    action();
    EXPECT_TRUE(walked) << where.toStdString();
}

class EditorLayoutTest : public EditorWindowTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        EditorWindowTest::SetUp();
        m_systemFont = QApplication::font();
        QFont larger = m_systemFont;
        larger.setPointSizeF(m_systemFont.pointSizeF() * GetParam() / 100.0);
        QApplication::setFont(larger);
    }

    void TearDown() override
    {
        EditorWindowTest::TearDown();
        QApplication::setFont(m_systemFont);
    }

    QFont m_systemFont;
};

TEST_P(EditorLayoutTest, EveryPageAndDialogShowsItsTextsWhole)
{
    // A sub-folder for the directory chooser, a preset for the list.
    std::filesystem::create_directories(std::filesystem::path(m_run.options.presetsDir) / "A sub-folder with a long name");
    std::string reason;
    ASSERT_TRUE(savePresetAs(std::filesystem::path(m_run.options.presetsDir) / "A preset.vhp", m_run.preset, reason));
    m_run.options.installedDir = (m_home.root() / "nowhere").string();
    EditorWindow& toy = showWindow();
    const QString ratio = QStringLiteral(" at ratio %1, font %2 %").arg(toy.devicePixelRatioF()).arg(GetParam());

    const std::pair<SphereButton*, const char*> tabs[] = { { control<SphereButton>(toy, "renderTabButton"), "Render" },
        { control<SphereButton>(toy, "saveTabButton"), "Save" },
        { control<SphereButton>(toy, "optionsTabButton"), "Options" },
        { control<SphereButton>(toy, "helpTabButton"), "Help" },
        { control<SphereButton>(toy, "presetsTabButton"), "Presets" } };
    for (const auto& [tab, name] : tabs) {
        tab->clicked();
        QApplication::processEvents();
        checkWindow(&toy, QString::fromLatin1(name) + QStringLiteral(" page") + ratio,
            { control<SphereButton>(toy, "clearScreenButton") });
    }

    control<AutoApplyDialog>(toy, "autoApplyDialog")->prepare(0);
    control<AutoApplyDialog>(toy, "autoApplyDialog")->centreOnScreen();
    control<AutoApplyDialog>(toy, "autoApplyDialog")->show();
    // Laid out first, then centred: its middle is the screen's (within the rounding of an odd size).
    const QPoint offCentre = control<AutoApplyDialog>(toy, "autoApplyDialog")->geometry().center() - toy.screen()->geometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2) << "Automatic applying" << ratio.toStdString() << " is off by " << offCentre.x() << "," << offCentre.y();
    checkWindow(control<AutoApplyDialog>(toy, "autoApplyDialog"), QStringLiteral("Automatic applying") + ratio);
    checkDark(control<AutoApplyDialog>(toy, "autoApplyDialog"), QStringLiteral("Automatic applying") + ratio);
    control<AutoApplyDialog>(toy, "autoApplyDialog")->hide();

    control<QMenu>(toy, "applyMenu")->popup(toy.mapToGlobal(QPoint(300, 100)));
    checkDark(control<QMenu>(toy, "applyMenu"), QStringLiteral("apply menu") + ratio);
    const QFontMetrics menuMetrics = control<QMenu>(toy, "applyMenu")->fontMetrics();
    for (QAction* entry : control<QMenu>(toy, "applyMenu")->actions()) {
        if (!entry->isSeparator()) {
            EXPECT_GE(control<QMenu>(toy, "applyMenu")->actionGeometry(entry).width(),
                menuMetrics.horizontalAdvance(entry->text()));
        }
    }
    EXPECT_GE(contrast(control<QMenu>(toy, "applyMenu")->palette().color(QPalette::WindowText),
                  control<QMenu>(toy, "applyMenu")->palette().color(QPalette::Window)),
        4.5);
    control<QMenu>(toy, "applyMenu")->hide();

    AnimationExportDialog* animation = control<ExportFlows>(toy, "exportFlows")->animationDialog();
    animation->show();
    // Every format's own settings, with the longest texts their labels take.
    for (const char* format : { "webpFormatButton", "webmFormatButton", "gifFormatButton" }) {
        control<SphereButton>(*animation, format)->clicked();
        control<QSlider>(*animation, "webmBitRateSlider")->setValue(49900);
        checkWindow(animation, animation->windowTitle() + ratio);
        control<QSlider>(*animation, "webmBitRateSlider")->setValue(0);
        checkWindow(animation, animation->windowTitle() + ratio);
    }
    animation->hide();

    CaptureProgressWindow& patient = *control<ExportFlows>(toy, "exportFlows")->progressWindow();
    patient.show();
    patient.showFramesTaken(9999, 9999);
    checkWindow(&patient, QStringLiteral("GIF progress") + ratio);
    patient.showWriting();
    checkWindow(&patient, QStringLiteral("GIF progress, writing") + ratio);
    patient.hide();

    control<FolderChooser>(toy, "folderChooser")->setDirectory(QString::fromStdString(m_run.options.presetsDir));
    control<FolderChooser>(toy, "folderChooser")->show();
    checkWindow(control<FolderChooser>(toy, "folderChooser"), QStringLiteral("directory chooser") + ratio);
    control<FolderChooser>(toy, "folderChooser")->hide();

    // The standard dialogs the editor opens.
    walkModal(QStringLiteral("Save current preset") + ratio,
        [&] { control<SphereButton>(toy, "savePresetButton")->clicked(); });
    walkModal(
        QStringLiteral("Shape color") + ratio, [&] { control<SphereButton>(toy, "shapeColorButton")->clicked(); });
    walkModal(QStringLiteral("missing help document") + ratio,
        [&] { control<SphereButton>(toy, "displayHelpButton")->clicked(); });
}

INSTANTIATE_TEST_SUITE_P(SystemFont, EditorLayoutTest, ::testing::Values(100, 120),
    [](const ::testing::TestParamInfo<int>& font) { return "Percent" + std::to_string(font.param); });

} // namespace

int main(int argc, char** argv)
{
#ifdef OPAL_TEST_SCALE
    qputenv("QT_SCALE_FACTOR", OPAL_TEST_SCALE);
#endif
    return runWidgetTests(argc, argv);
}
