// A small program for the X11 present test: a black frameless window over the whole
// screen with a PicturePanel inside at an offset, which shows the fixed present sequence
// either through the toolkit or straight to the X window, then has the panel repaint
// itself through a painter that presents the same sequence again (as after an expose),
// reports on standard output and waits for a line on standard input before it ends.
//   opal_present_probe toolkit|direct|window|frame panelX panelY panelWidth panelHeight seed count
// "window" is the direct way with the window painting on screen too; "frame" is that way
// with a renderer's frame in shared memory instead of the fixed run (see frameSteps), its
// last step shown by a full repaint in strips, and reports whether the presents named their
// pixels in it with the strips joined into one.

#include "engine/frame_presents.h"
#include "engine/picture_panel.h"
#include "engine/panel_painter.h"
#include "tests/engine/present_sequence.h"

#include <QApplication>
#include <QBackingStore>
#include <QElapsedTimer>
#include <QScreen>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

// Paints the panel as the run of presents left it.
class SequencePainter final : public PanelPainter {
public:
    explicit SequencePainter(const std::vector<SequenceBlock>& sequence)
        : m_sequence(sequence)
    {
    }
    void paint(RenderPanel& surface) override
    {
        surface.beginPresent();
        for (const SequenceBlock& item : m_sequence)
            surface.present(item.block, item.x, item.y);
        surface.endPresent();
    }

private:
    const std::vector<SequenceBlock>& m_sequence;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 8) {
        std::fprintf(stderr, "usage: %s toolkit|direct|window x y width height seed count\n", argv[0]);
        return 2;
    }
    const std::string way = argv[1];
    const bool direct = way != "toolkit";
    const int panelX = std::atoi(argv[2]);
    const int panelY = std::atoi(argv[3]);
    const int panelWidth = std::atoi(argv[4]);
    const int panelHeight = std::atoi(argv[5]);
    const auto seed = static_cast<uint32_t>(std::strtoul(argv[6], nullptr, 10));
    const int count = std::atoi(argv[7]);

    QWidget window(nullptr, Qt::FramelessWindowHint);
    QPalette black = window.palette();
    black.setColor(QPalette::Window, Qt::black);
    window.setPalette(black);
    window.setAutoFillBackground(true);
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    auto* panel = new PicturePanel(&window);
    panel->setPalette(black);
    panel->setGeometry(panelX, panelY, panelWidth, panelHeight);
    panel->setDirectPresent(direct, way == "window" || way == "frame");
    window.show();

    // The window's first paint must be on screen before the presents, or it would cover them.
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    window.repaint();

    if (way == "frame") {
        ArgbImage frame;
        frame.setSize(panel->deviceWidth(), panel->deviceHeight());
        bool allDirect = true;
        const std::vector<FrameStep> steps = frameSteps(seed, frame.width, frame.height, count);
        for (const FrameStep& step : steps) {
            drawStep(frame, step);
            if (&step == &steps.back())
                break; // shown by the full repaint below
            const PixelBlock block { frame.row(step.y0) + step.x0, step.x1 - step.x0, step.y1 - step.y0, frame.width,
                RowOrder::TopDown };
            panel->present(block, step.x0, step.y0);
            allDirect = allDirect && panel->presentsDirectly();
        }
        // A full repaint in the renderer's strips, whose puts the panel joins into one.
        presentWholeFrame(panel, frame, RowOrder::TopDown);
        allDirect = allDirect && panel->presentsDirectly();
        QCoreApplication::processEvents();
        std::cout << "presented " << (allDirect ? "direct" : "toolkit")
                  << (panel->sharedPresents() == static_cast<uint64_t>(count) ? " from shared memory, the strips as one" : "")
                  << std::endl;
        std::string line;
        std::getline(std::cin, line);
        return 0;
    }

    const std::vector<SequenceBlock> sequence = presentSequence(seed, panel->deviceWidth(), panel->deviceHeight(), count);
    bool allDirect = true;
    for (size_t i = 0; i < sequence.size(); ++i) {
        // Some presents come alone, the others in pairs of one begin/end.
        const bool paired = i % 3 == 1 && i + 1 < sequence.size();
        panel->beginPresent();
        panel->present(sequence[i].block, sequence[i].x, sequence[i].y);
        allDirect = allDirect && panel->presentsDirectly();
        if (paired) {
            ++i;
            panel->present(sequence[i].block, sequence[i].x, sequence[i].y);
            allDirect = allDirect && panel->presentsDirectly();
        }
        panel->endPresent();
    }
    QCoreApplication::processEvents();
    SequencePainter painter(sequence);
    panel->painter = &painter;
    panel->repaint();
    allDirect = allDirect && panel->presentsDirectly();
    QCoreApplication::processEvents();
    panel->painter = nullptr;
    // A window that paints on screen keeps no backing store of its size.
    const bool storeless = window.backingStore() == nullptr || window.backingStore()->size().isEmpty();
    std::cout << "presented " << (allDirect ? "direct" : "toolkit")
              << (storeless ? " without a backing store" : "") << std::endl;

    std::string line;
    std::getline(std::cin, line);
    return 0;
}
