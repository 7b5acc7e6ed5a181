#include "controls/button_face.h"
#include "controls/sphere_button.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <utility>

namespace {

// The widget as it is shown, in its own pixels.
QImage shown(SphereButton& button)
{
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What a widget receives from a double click: press, release, double click, release.
void doubleClick(QWidget& widget)
{
    QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(&widget, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(10, 10));
}

// A button of the editor's look in a parent, so that it can move.
struct Fixture {
    QWidget window;
    SphereButton* button = new SphereButton(&window);

    explicit Fixture(QSize size = { 80, 23 })
    {
        window.resize(200, 100);
        button->setGeometry(QRect(QPoint(30, 20), size));
        button->setBevel(8);
        button->setSphereHeight(6);
        button->setAmbient(0.7f);
        button->setMirror(0.9f);
        button->setPhong(20);
        window.show();
        QCoreApplication::processEvents();
    }
};

TEST(SphereButton, PublishesTenPropertiesInOrderWithTheirStartValues)
{
    SphereButton button;
    const QMetaObject* meta = button.metaObject();
    const char* names[] = { "Bevel", "SphereHeight", "Color", "LColor", "Ambient",
                            "Mirror", "Phong", "IsButton", "IsCheckBox", "Checked" };
    const int first = meta->propertyOffset();
    ASSERT_EQ(meta->propertyCount() - first, 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_STREQ(meta->property(first + i).name(), names[i]);

    EXPECT_EQ(button.property("Bevel").toInt(), 9);
    EXPECT_EQ(button.property("SphereHeight").toInt(), 8);
    EXPECT_EQ(button.property("Color").toUInt(), 0x00DC6464u);
    EXPECT_EQ(button.property("LColor").toUInt(), 0x00FFFFFFu);
    EXPECT_FLOAT_EQ(button.property("Ambient").toFloat(), 0.5f);
    EXPECT_FLOAT_EQ(button.property("Mirror").toFloat(), 0.5f);
    EXPECT_FLOAT_EQ(button.property("Phong").toFloat(), 10.0f);
    EXPECT_TRUE(button.property("IsButton").toBool());
    EXPECT_FALSE(button.property("IsCheckBox").toBool());
    EXPECT_FALSE(button.property("Checked").toBool());
    EXPECT_EQ(button.fontColor(), QColor(Qt::white));
}

TEST(SphereButton, StoresBevelAsRadiusAndPhongTruncated)
{
    SphereButton button;
    button.setBevel(8);
    EXPECT_EQ(button.bevel(), 8);
    EXPECT_EQ(button.shape().radiusPx, 7);
    button.setPhong(20.7f);
    EXPECT_EQ(button.phong(), 20.0f);
    button.setPhong(-3.9f);
    EXPECT_EQ(button.shape().phong, -3);
    button.setPhong(1e20f);
    EXPECT_EQ(button.shape().phong, INT32_MAX);
    button.setBevel(INT32_MIN);
    EXPECT_EQ(button.bevel(), INT32_MIN + 1);
}

// Every setter but IsButton builds the face again at once.
TEST(SphereButton, SettersRebuildTheFace)
{
    Fixture f({ 40, 20 });
    SphereButton& button = *f.button;
    EXPECT_EQ(button.pad().pixels, buildButtonFace(button.shape(), 40, 20).pixels);
    const uint32_t centre = button.pad().row(10)[20];
    button.setColor(0x00008000);
    EXPECT_NE(button.pad().row(10)[20], centre);
    EXPECT_EQ(button.pad().pixels, buildButtonFace(button.shape(), 40, 20).pixels);

    button.resize(60, 30);
    EXPECT_EQ(button.pad().width, 60);
    EXPECT_EQ(button.pad().pixels, buildButtonFace(button.shape(), 60, 30).pixels);

    // Squeezed below its sphere by a layout, it shows what fits.
    button.resize(5, 3);
    EXPECT_EQ(button.pad().pixels, buildButtonFace(button.shape(), 5, 3).pixels);
    EXPECT_EQ(shown(button).size(), QSize(5, 3));
}

// Counts the paints a widget gets.
struct PaintCounter final : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

// A setter given the value the button already has neither rebuilds nor repaints; a new
// value does both.
TEST(SphereButton, SettersSkipUnchangedValues)
{
    const std::pair<const char*, std::function<void(SphereButton&, bool)>> setters[] = {
        { "Bevel", [](SphereButton& b, bool change) { b.setBevel(change ? 5 : 8); } },
        { "SphereHeight", [](SphereButton& b, bool change) { b.setSphereHeight(change ? 3 : 6); } },
        { "Color", [](SphereButton& b, bool change) { b.setColor(change ? 0x00008000u : b.color()); } },
        { "LColor", [](SphereButton& b, bool change) { b.setLColor(change ? 0x00FF0000u : b.lColor()); } },
        { "Ambient", [](SphereButton& b, bool change) { b.setAmbient(change ? 0.2f : 0.7f); } },
        { "Mirror", [](SphereButton& b, bool change) { b.setMirror(change ? 0.1f : 0.9f); } },
        { "Phong", [](SphereButton& b, bool change) { b.setPhong(change ? 3.0f : 20.9f); } },
        { "IsCheckBox", [](SphereButton& b, bool change) { b.setIsCheckBox(change != b.isCheckBox()); } },
        { "Checked", [](SphereButton& b, bool change) { b.setChecked(change != b.checked()); } },
    };
    for (const auto& [name, set] : setters) {
        Fixture f({ 40, 20 });
        PaintCounter counter;
        f.button->installEventFilter(&counter);
        set(*f.button, false);
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.paints, 0) << name << " unchanged";
        set(*f.button, true);
        QCoreApplication::processEvents();
        EXPECT_GT(counter.paints, 0) << name << " changed";
        EXPECT_EQ(f.button->pad().pixels, buildButtonFace(f.button->shape(), 40, 20).pixels) << name;
    }
}

// The face is shown as built, without its alpha, and the rounded region cuts the corners.
TEST(SphereButton, ShowsTheFaceInsideTheRoundedRegion)
{
    Fixture f({ 40, 20 });
    SphereButton& button = *f.button;
    const QImage image = shown(button);
    ASSERT_EQ(image.size(), QSize(40, 20));
    for (const QPoint point : { QPoint(20, 10), QPoint(3, 10), QPoint(20, 2), QPoint(38, 17) })
        EXPECT_EQ(image.pixel(point) & 0xFFFFFFu, button.pad().row(point.y())[point.x()] & 0xFFFFFFu) << point.x();
    const QRegion mask = button.mask();
    EXPECT_TRUE(mask.contains(QPoint(20, 10)));
    EXPECT_TRUE(mask.contains(QPoint(6, 1)));
    EXPECT_FALSE(mask.contains(QPoint(1, 1)));
    EXPECT_FALSE(mask.contains(QPoint(0, 10)));
    EXPECT_FALSE(mask.contains(QPoint(20, 0)));
    EXPECT_TRUE(button.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(SphereButton, EmptyCaptionDrawsOnlyTheFaceAndACaptionDrawsOverIt)
{
    Fixture f({ 80, 23 });
    SphereButton& button = *f.button;
    const QImage plain = shown(button);
    for (int y = 2; y < 21; ++y)
        for (int x = 8; x < 72; ++x)
            ASSERT_EQ(plain.pixel(x, y) & 0xFFFFFFu, button.pad().row(y)[x] & 0xFFFFFFu);
    button.setCaption(QStringLiteral("Faster"));
    const QImage captioned = shown(button);
    // The caption is white with a black shadow: both show up over the blue face.
    int light = 0;
    int dark = 0;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 80; ++x) {
            const QColor now = QColor::fromRgb(captioned.pixel(x, y));
            light += now.red() > 200 && now.green() > 200 && now.blue() > 200;
            dark += now.blue() < 40 && QColor::fromRgb(plain.pixel(x, y)).blue() > 100;
        }
    }
    EXPECT_GT(light, 10);
    EXPECT_GT(dark, 10);
}

// Pressing a check box once shows the other glyph, and its click handler reads the new
// state; the box is back in place after the release.
TEST(SphereButton, CheckBoxPressedOnceShowsTheOtherGlyph)
{
    Fixture f({ 150, 23 });
    SphereButton& box = *f.button;
    box.setIsCheckBox(true);
    box.setCaption(QStringLiteral("Allow blur"));

    Fixture ticked({ 150, 23 });
    ticked.button->setIsCheckBox(true);
    ticked.button->setCaption(QStringLiteral("Allow blur"));
    ticked.button->setChecked(true);
    const QImage crossImage = shown(box);
    const QImage tickImage = shown(*ticked.button);
    ASSERT_NE(crossImage, tickImage);

    bool seen = false;
    QObject::connect(&box, &SphereButton::clicked, [&] { seen = box.checked(); });
    const QPoint place = box.pos();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(60, 10));
    EXPECT_TRUE(seen);
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(box.pos(), place);
    EXPECT_EQ(shown(box), tickImage);
}

// A press moves a button one pixel down and right and toggles it, with any mouse button;
// the release moves it back, also when it happens outside, and only a release over the
// control is a click.
TEST(SphereButton, PressMovesAndTogglesReleaseMovesBack)
{
    Fixture f;
    SphereButton& button = *f.button;
    QSignalSpy clicks(&button, &SphereButton::clicked);
    const QPoint place = button.pos();

    QTest::mousePress(&button, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.pos(), place + QPoint(1, 1));
    EXPECT_TRUE(button.checked());
    QTest::mouseRelease(&button, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.pos(), place);
    EXPECT_EQ(clicks.count(), 1);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(button.checked());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(120, 60));
    EXPECT_EQ(button.pos(), place);
    EXPECT_EQ(clicks.count(), 1);

    // A second button during a press toggles again but moves no further.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mousePress(&button, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.pos(), place + QPoint(1, 1));
    EXPECT_FALSE(button.checked());
    QTest::mouseRelease(&button, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.pos(), place);
}

// A passive thumb never moves and never toggles, but forwards every event with its button
// and position.
TEST(SphereButton, PassiveThumbForwardsEverything)
{
    Fixture f({ 9, 23 });
    SphereButton& thumb = *f.button;
    thumb.setIsButton(false);
    QSignalSpy downs(&thumb, &SphereButton::mouseDown);
    QSignalSpy moves(&thumb, &SphereButton::mouseMove);
    QSignalSpy ups(&thumb, &SphereButton::mouseUp);
    QSignalSpy clicks(&thumb, &SphereButton::clicked);
    const QPoint place = thumb.pos();

    QTest::mousePress(&thumb, Qt::LeftButton, {}, QPoint(4, 10));
    EXPECT_EQ(thumb.pos(), place);
    QTest::mouseMove(&thumb, QPoint(2, 11));
    QTest::mouseRelease(&thumb, Qt::LeftButton, {}, QPoint(-6, 11));
    QTest::mouseMove(&thumb, QPoint(5, 12));

    EXPECT_EQ(thumb.pos(), place);
    EXPECT_FALSE(thumb.checked());
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(downs[0][1].toPoint(), QPoint(4, 10));
    ASSERT_GE(moves.count(), 2);
    EXPECT_EQ(moves.first()[1].toPoint(), QPoint(2, 11));
    EXPECT_EQ(moves.first()[0].value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::LeftButton));
    EXPECT_EQ(moves.last()[1].toPoint(), QPoint(5, 12));
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups[0][1].toPoint(), QPoint(-6, 11));
    EXPECT_EQ(clicks.count(), 0); // released outside
}

// A double click is a click and a double click, so a handler on both runs twice; a check
// box reports both of its toggles as clicks, so its owner ends with the state it shows.
TEST(SphereButton, DoubleClick)
{
    Fixture f;
    SphereButton& button = *f.button;
    int runs = 0;
    QObject::connect(&button, &SphereButton::clicked, [&] { ++runs; });
    QObject::connect(&button, &SphereButton::doubleClicked, [&] { ++runs; });
    doubleClick(button);
    EXPECT_EQ(runs, 2);

    SphereButton* box = new SphereButton(&f.window);
    box->setGeometry(10, 60, 150, 23);
    box->setIsCheckBox(true);
    box->show();
    bool option = false;
    int clicks = 0;
    QObject::connect(box, &SphereButton::clicked, [&] {
        option = box->checked();
        ++clicks;
    });
    doubleClick(*box);
    EXPECT_EQ(option, box->checked());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(box->pos(), QPoint(10, 60));
}

// A screen reader finds a push button, a check box, a tab or a passive display named by its
// caption, with its checked or selected state, and its action does what a click does (a
// display has none); a name set on the widget wins.
TEST(SphereButton, ScreenReadersSeeTheRoleNameStateAndAction)
{
    struct Kind {
        const char* what;
        bool checkBox;
        bool tab;
        bool isButton;
        QAccessible::Role role;
        QString action; // empty: none
    };
    const Kind kinds[] = {
        { "button", false, false, true, QAccessible::Button, QAccessibleActionInterface::pressAction() },
        { "check box", true, false, true, QAccessible::CheckBox, QAccessibleActionInterface::toggleAction() },
        { "tab", false, true, true, QAccessible::PageTab, QAccessibleActionInterface::pressAction() },
        { "display", false, false, false, QAccessible::StaticText, QString() },
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.what);
        const bool checkBox = kind.checkBox;
        Fixture f({ 150, 23 });
        SphereButton& button = *f.button;
        button.setIsCheckBox(checkBox);
        button.setIsTab(kind.tab);
        button.setIsButton(kind.isButton);
        button.setCaption(QStringLiteral("Allow blur"));
        int clicks = 0;
        QObject::connect(&button, &SphereButton::clicked, [&] { ++clicks; });

        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&button);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->role(), kind.role);
        EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Allow blur"));
        EXPECT_EQ(reader->state().checkable, checkBox);
        EXPECT_FALSE(reader->state().checked);
        EXPECT_EQ(reader->state().selectable, kind.tab);
        button.setFront(true);
        EXPECT_EQ(reader->state().selected, kind.tab) << "a tab in front reads as selected";
        button.setFront(false);

        QAccessibleActionInterface* actions = reader->actionInterface();
        ASSERT_NE(actions, nullptr);
        if (kind.action.isEmpty()) {
            EXPECT_TRUE(actions->actionNames().isEmpty()) << "a display does nothing when pressed";
            continue;
        }
        ASSERT_EQ(actions->actionNames(), QStringList { kind.action });
        actions->doAction(kind.action);
        EXPECT_EQ(clicks, 1);
        EXPECT_EQ(reader->state().checked, checkBox) << "a check box reads as ticked after the toggle";

        button.setAccessibleName(QStringLiteral("Blur"));
        EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Blur"));
        button.setEnabled(false);
        EXPECT_TRUE(actions->actionNames().isEmpty());
    }
}

} // namespace

