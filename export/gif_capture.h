#pragma once

#include "engine/renderer.h"
#include "export/animation_settings.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

struct ArgbImage;
struct Preset;
class AnimationWriter;

// The text of an export error as a message shows it: the picture classes' text without the
// line feed they end it with, or a plain sentence for running out of memory.
std::string exportErrorText(const std::exception& error);

// Why a capture of the preset cannot start, in words for the user; empty when it can. The
// capture counts the sprites the renderer draws, and the renderer draws only the objects that
// are switched on and have a stack, so without one the capture would wait at its first frame
// for ever.
std::string gifCaptureRefusal(const Preset& preset);

// The writer of a capture with these settings, in their format: a GIF is made as it always
// was (the writer scales and quantises), a WebP or WebM takes frames already scaled.
std::unique_ptr<AnimationWriter> makeCaptureWriter(const AnimationSettings& settings);
// Appends one frame taken from the source picture as a capture with these settings takes it:
// a GIF writer gets the source, the others the source scaled by the settings' percentage.
void addCaptureFrame(AnimationWriter& writer, const ArgbImage& source, const AnimationSettings& settings);

// What a GIF capture needs from the windows around it. The capture itself is plain logic;
// the editor implements this with its live view's renderer and the progress window.
class GifCaptureHost {
public:
    virtual ~GifCaptureHost();

    // The picture a frame is taken from: the live view renderer's full-size frame.
    virtual const ArgbImage& gifSourceFrame() = 0;
    // Makes the observer follow the live view's sprites; null: follow them no more.
    virtual void followSprites(SpriteObserver* observer) = 0;
    // Shows the progress window with its cancel button.
    virtual void showGifProgress() = 0;
    // taken of total frames are in memory; called at the start and after every frame.
    virtual void gifFramesTaken(int32_t taken, int32_t total) = 0;
    // The frames are complete and the file is about to be written: the cancel button
    // goes and the window says so.
    virtual void gifWriting() = 0;
    virtual void hideGifProgress() = 0;
    // The capture ended without a file; the text says why, as a person can read it.
    virtual void gifCaptureFailed(const std::string& text) = 0;
};

// The animated-GIF capture of the live view, told of every sprite the live view's renderer
// draws.
//
// StartGifCapture makes the capture follow the renderer's sprites. From then on every sprite
// the renderer is about to draw is one tick: with N = the settings' objectsPerFrame, the
// first frame is taken on the (N + 1)-th tick, every further one N + 1 ticks later, and N + 1
// ticks after the last frame the file is written. N is read on every tick, so the growth a
// blur pass gives it counts at once; it counts up to 256, the dialog's largest value. A
// cancel asked for between two ticks (RequestCancel) ends the capture without a file at the
// next tick.
//
// Whatever ends a capture (written, cancelled, failed, started over, this object destroyed)
// releases every frame and stops following the sprites. A file is written through a
// temporary file, so a failed write leaves neither a partial file nor the temporary one;
// failures are never thrown out of the tick (it runs inside the renderer's step) but handed
// to the host with the error's text.
class GifCapture final : public SpriteObserver {
public:
    explicit GifCapture(GifCaptureHost& host);
    ~GifCapture() override;
    GifCapture(const GifCapture&) = delete;
    GifCapture& operator=(const GifCapture&) = delete;

    // Starts a capture into GifFileName with the current settings, discarding one that runs.
    void startGifCapture();
    // Ends the running capture without a file at its next tick.
    void requestCancel() { m_cancelRequested = true; }
    // Appends one frame taken from the host's source frame with the current settings.
    // Throws TextException (or std::bad_alloc) when the frame cannot be made.
    void captureGifFrame();
    // Writes the frames taken to GifFileName and ends the capture.
    void finishGifCapture();
    // Ends the capture without writing anything.
    void abortGifCapture();
    bool active() const { return animation != nullptr; }

    // The settings of the next capture, and of the running one; objectsPerFrame grows by
    // the sprites between two blur passes after every pass while a capture runs.
    AnimationSettings settings;
    // Frames taken, up to the options' frame count.
    int32_t gifFramesCaptured = 0;
    // The file of the running capture, in the settings' format (makeCaptureWriter), taking
    // its frames (addCaptureFrame); null when idle.
    std::unique_ptr<AnimationWriter> animation;
    // The file the capture is written to; set before StartGifCapture.
    std::string gifFileName;

    // SpriteObserver: one tick (see above), and the blur pass's growth of the gap.
    void beforeSprite() override;
    void afterBlurPass(int32_t spritesPerPass) override;

private:
    // Ends the capture and hands the error's text to the host.
    void fail(const std::string& text);
    void stopFollowing();

    GifCaptureHost& m_host;
    bool m_following = false;
    bool m_cancelRequested = false;
    int32_t m_objectCounter = 0; // sprites since the last frame was taken
};
