// render_controls: draws the custom controls headless into one PNG, so that anyone can
// review their look without starting the editor.
//
//   render_controls --out FILE.png
//
// The picture (760 x 330 on a plain screen, black like the editor) holds, left to right:
// a first row of editor buttons in their states (plain, held down, check box ticked and
// crossed, passive drag thumb, value display), a second row of the editor's small bevels
// 4, 6 and 7 and a few colours, and below them a 365 x 51 palette path control for each of
// the four palettes with a path drawn over it. It runs on Qt's offscreen platform unless
// QT_QPA_PLATFORM says otherwise.

#include "controls/path_painter.h"
#include "controls/sphere_button.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 330;

// The editor's colours, COLORREF.
constexpr quint32 kGreen = 0x00008000;
constexpr quint32 kMaroon = 0x00000080;
constexpr quint32 kNavy = 0x00800000;
constexpr quint32 kTeal = 7372800;

struct ButtonLook {
    QRect geometry;
    const char* caption;
    int bevel;
    int sphereHeight;
    quint32 color;
    bool isButton;
    bool isCheckBox;
    bool checked;
};

// The editor's look: Ambient 0.7, Mirror 0.9, Phong 20, the rest per button.
const ButtonLook kButtons[] = {
    { { 10, 10, 119, 23 }, "Clear Screen", 8, 6, kTeal, true, false, false },
    { { 140, 10, 80, 23 }, "Faster", 8, 6, kGreen, true, false, false }, // shown held down
    { { 230, 10, 150, 23 }, "Allow blur", 8, 5, kMaroon, true, true, true },
    { { 390, 10, 150, 23 }, "Travelling animation", 8, 5, kMaroon, true, true, false },
    { { 550, 10, 9, 23 }, "", 4, 4, kGreen, false, false, false },
    { { 570, 10, 180, 23 }, "Animation Size: 50%", 8, 7, kNavy, false, false, false },
    { { 10, 45, 48, 14 }, "On", 4, 4, kGreen, true, false, false },
    { { 68, 45, 48, 14 }, "Off", 4, 4, kMaroon, true, false, false },
    { { 126, 42, 23, 23 }, "<", 6, 5, kGreen, true, false, false },
    { { 159, 42, 23, 23 }, ">", 7, 6, kNavy, true, false, false },
    { { 192, 42, 119, 23 }, "Palette: 0", 8, 6, 0x00DC6464, true, false, false },
    { { 321, 42, 230, 25 }, "Remove selected shape", 8, 6, 0x00C08040, true, false, false },
    { { 561, 42, 40, 23 }, "(-)", 8, 6, 0x00404040, true, false, false },
};

void send(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, Qt::NoModifier,
                      QPointingDevice::primaryPointingDevice());
    QCoreApplication::sendEvent(widget, &event);
}

// Drags a wave across the control, as a user would.
void drawPath(PathPainter* painter, int palette)
{
    const int w = painter->width();
    const int h = painter->height();
    send(painter, QEvent::MouseButtonPress, { 4, h / 2 }, Qt::LeftButton, Qt::LeftButton);
    for (int x = 4; x < w - 4; x += 3) {
        const double phase = x / 40.0 + palette;
        const int y = h / 2 + static_cast<int>(std::lround((h / 2 - 6) * std::sin(phase)));
        send(painter, QEvent::MouseMove, { x, y }, Qt::NoButton, Qt::LeftButton);
    }
    send(painter, QEvent::MouseButtonRelease, { w - 4, h / 2 }, Qt::LeftButton, Qt::NoButton);
}

int usage()
{
    std::fprintf(stderr, "usage: render_controls --out FILE.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            out = argv[++i];
        else
            return usage();
    }
    if (!out)
        return usage();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget gallery;
    gallery.setFixedSize(kWidth, kHeight);
    QPalette black = gallery.palette();
    black.setColor(QPalette::Window, Qt::black);
    gallery.setPalette(black);
    gallery.setAutoFillBackground(true);

    SphereButton* held = nullptr;
    for (const ButtonLook& look : kButtons) {
        auto* button = new SphereButton(&gallery);
        button->setGeometry(look.geometry);
        button->setCaption(QString::fromUtf8(look.caption));
        button->setBevel(look.bevel);
        button->setSphereHeight(look.sphereHeight);
        button->setColor(look.color);
        button->setAmbient(0.7f);
        button->setMirror(0.9f);
        button->setPhong(20);
        button->setIsButton(look.isButton);
        button->setIsCheckBox(look.isCheckBox);
        button->setChecked(look.checked);
        if (std::strcmp(look.caption, "Faster") == 0)
            held = button;
    }

    PathPainter* painters[4] = {};
    for (int palette = 0; palette < 4; ++palette) {
        painters[palette] = new PathPainter(&gallery);
        painters[palette]->setGeometry(10 + (palette % 2) * 375, 80 + (palette / 2) * 61, 365, 51);
        painters[palette]->setToolTip(QStringLiteral("Draw here and Color the Objects!"));
    }

    gallery.show();
    QCoreApplication::processEvents();

    // Each control fills its map with the palette current when it steps there.
    for (int palette = 0; palette < 4; ++palette) {
        painters[palette]->classicPalette();
        for (int step = 0; step < palette; ++step)
            painters[palette]->nextPalette();
        drawPath(painters[palette], palette);
    }
    if (held)
        send(held, QEvent::MouseButtonPress, { 10, 10 }, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::processEvents();

    const QImage picture = gallery.grab().toImage();
    if (!picture.save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "render_controls: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
