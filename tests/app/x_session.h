#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the end-to-end tests need to drive the real program: a private Xvfb, child
// processes with their own environment and pipes, xdotool, and screenshots read back as
// pixels. Every wait polls a condition up to a generous limit; no test measures time.

// Polls the condition every 50 ms until it holds or the limit passes; answers the last result.
bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(60));

// A started program. Standard input and output are pipes when asked for; standard error
// goes to a file.
class ChildProcess {
public:
    struct Options {
        std::vector<std::string> arguments; // the program first
        std::vector<std::string> environment; // NAME=value, added to the test's own
        bool pipes = false;
        std::filesystem::path errorFile;
    };

    explicit ChildProcess(const Options& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }
    bool running();
    // Waits (polling) for the end; false when it is still running at the limit.
    bool waitForExit(std::chrono::milliseconds limit = std::chrono::seconds(60));
    // After the end: the exit code, or -1 when a signal ended it.
    int exitCode() const;
    // After the end: the signal that ended it, 0 when it exited.
    int termSignal() const;
    void signal(int signalNumber);

    void writeLine(const std::string& line);
    // A line of standard output, waiting up to the limit; empty optional at the limit or the end.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::seconds(60));

private:
    int m_pid = -1;
    int m_status = 0;
    bool m_ended = false;
    int m_input = -1;
    int m_output = -1;
    std::string m_buffered;
};

// An RGB picture read from a screenshot.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // 3 bytes per pixel, rows top first

    uint32_t pixel(int x, int y) const
    {
        const uint8_t* at = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3];
        return (uint32_t { at[0] } << 16) | (uint32_t { at[1] } << 8) | at[2];
    }
    // Pixels of the rectangle that equal / differ from a colour (0xRRGGBB).
    int countEqual(int x, int y, int w, int h, uint32_t colour) const;
    int countOther(int x, int y, int w, int h, uint32_t colour) const;
};

// Any picture file ImageMagick reads, as RGB; empty when it cannot be read.
Screenshot readPicture(const std::filesystem::path& path);

// A private X server (Xvfb on a free display number) and the tools that act on it.
class XSession {
public:
    XSession(int width, int height);
    // A server with a second X screen of its own size beside the first (":N.1").
    XSession(int width, int height, int secondWidth, int secondHeight);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ready() const { return !m_display.empty(); }
    const std::string& display() const { return m_display; }
    const std::filesystem::path& folder() const { return m_folder; }
    // Leaves only the named sample in the user's presets folder, which a first run of the
    // program has filled; false when that sample is not there. Without a settings file the
    // program shows a random preset, and one sample, whose shapes are a few pixels wide in a
    // small preview, leaves such a preview black: a test of a small picture takes a sample
    // that shows at any size.
    bool keepOnlyPreset(const std::string& file) const;

    // The environment of programs started in this session: DISPLAY and fresh XDG folders.
    std::vector<std::string> environment() const;
    // The same with the given NAME=value entries in place of the session's own of that name.
    std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) const;
    std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments, bool pipes = false);

    // A plain window of the colour (RRGGBB) from the host helper, which then takes its
    // commands on standard input; answers the helper and puts the window's id in `id`.
    std::unique_ptr<ChildProcess> startHostWindow(int x, int y, int width, int height, const std::string& colour,
        std::string& id);

    // Runs a command with this session's display and answers its standard output.
    std::string run(const std::string& command) const;
    void xdotool(const std::string& arguments) const;
    // Ids of the visible windows with this exact name.
    std::vector<std::string> windowsNamed(const std::string& name) const;
    // A screenshot of the whole screen (of X screen `screen`), also kept as <name>.png in the
    // session folder.
    Screenshot shoot(const std::string& name, int screen = 0) const;

private:
    void startServer(const std::vector<std::string>& screens);

    int m_xvfb = -1;
    std::string m_display;
    std::filesystem::path m_folder;
};

// The built program and test helper, found from the paths CMake gives the test.
std::string programPath();
std::string hostWindowPath();
