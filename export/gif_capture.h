#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <exception>

struct ArgbImage;
struct Preset;
class TGIFImage;

// The text of an export error as a message shows it: the picture classes' text without the
// line feed they end it with, or a plain sentence for running out of memory.
std::string ExportErrorText(const std::exception& error);

// Why a capture of the preset cannot start, in words for the user; empty when it can. The
// capture counts the sprites the renderer draws, and the renderer draws only the objects that
// are switched on and have a stack, so without one the capture would wait at its first frame
// for ever.
std::string GifCaptureRefusal(const Preset& preset);

// What a GIF capture needs from the windows around it. The capture itself is plain logic;
// the editor implements this with its live view, its event loop and the progress window.
class GifCaptureHost {
public:
    virtual ~GifCaptureHost();

    // The picture a frame is taken from: the live view renderer's full-size frame.
    virtual const ArgbImage& GifSourceFrame() = 0;
    // Lets the GUI handle every pending event (the cancel click among them).
    virtual void ProcessGuiEvents() = 0;
    // Shows the progress window with its cancel button.
    virtual void ShowGifProgress() = 0;
    // taken of total frames are in memory; called at the start and after every frame.
    virtual void GifFramesTaken(int32_t taken, int32_t total) = 0;
    // The frames are complete and the file is about to be written: the cancel button
    // goes and the window says so.
    virtual void GifWriting() = 0;
    virtual void HideGifProgress() = 0;
    // The capture ended without a file; the text says why, as a person can read it.
    virtual void GifCaptureFailed(const std::string& text) = 0;
};

// The animated-GIF capture of the live view, driven by the renderer's per-sprite hook.
//
// StartGifCapture installs GifCaptureTick as the renderer's hook and sets GifCaptureActive.
// From then on every sprite the renderer is about to draw is one tick: with N =
// GifObjectsPerFrame, the first frame is taken on the (N + 1)-th tick, every further one
// N + 1 ticks later, and N + 1 ticks after the last of GifFrames frames the file is
// written. N is read on every tick, so the growth a blur pass gives it counts at once; it
// counts up to 256, the dialog's largest value. Ticks that take or write a frame let the GUI process its events, so a click on
// the cancel button (GifCancelRequested) is seen within one tick and ends the capture
// without a file.
//
// Whatever ends a capture (written, cancelled, failed, started over, this object
// destroyed) releases every frame and clears GifCaptureActive. A file is written through a
// temporary file, so a failed write leaves neither a partial file nor the temporary one;
// failures are never thrown out of the tick (it runs inside the renderer's frame loop) but
// handed to the host with the error's text.
class GifCapture {
public:
    explicit GifCapture(GifCaptureHost& host);
    ~GifCapture();
    GifCapture(const GifCapture&) = delete;
    GifCapture& operator=(const GifCapture&) = delete;

    // Starts a capture into GifFileName, discarding one that runs.
    void StartGifCapture();
    // One sprite of the renderer; see above.
    void GifCaptureTick();
    // Appends one frame taken from the host's source frame with the current settings.
    // Throws CTextException (or std::bad_alloc) when the frame cannot be made.
    void CaptureGifFrame();
    // Writes the frames taken to GifFileName and ends the capture.
    void FinishGifCapture();
    // Ends the capture without writing anything.
    void AbortGifCapture();

    // Frames taken, up to GifFrames.
    int32_t GifFramesCaptured = 0;
    // The frames of the running capture; null when idle.
    std::unique_ptr<TGIFImage> GifAnimation;
    // The file the capture is written to; set before StartGifCapture.
    std::string GifFileName;

private:
    // The renderer's hook: the tick of the capture that started last.
    static void tickCurrentCapture();
    // Ends the capture and hands the error's text to the host.
    void fail(const std::string& text);

    GifCaptureHost& m_host;
    // Expires when this object is destroyed, which may happen inside the event processing
    // of a tick.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    // Set while FinishGifCapture lets events run before writing; an abort or a new start
    // clears it, and then nothing is written.
    bool m_writePending = false;
};
