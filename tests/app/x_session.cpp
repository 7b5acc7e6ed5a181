#include "tests/app/x_session.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::vector<char*> cStrings(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The test's environment with the given NAME=value entries put over it.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& additions)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const std::string& addition : additions)
            replaced = replaced || addition.substr(0, addition.find('=')) == name;
        if (!replaced)
            merged.push_back(text);
    }
    merged.insert(merged.end(), additions.begin(), additions.end());
    return merged;
}

} // namespace

bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (true) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

ChildProcess::ChildProcess(const Options& options)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int input[2] = { -1, -1 };
    int output[2] = { -1, -1 };
    if (options.pipes && pipe2(input, O_CLOEXEC) == 0 && pipe2(output, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::string errorPath = options.errorFile.empty() ? "/dev/null" : options.errorFile.string();
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);

    std::vector<std::string> arguments = options.arguments;
    std::vector<std::string> environment = mergedEnvironment(options.environment);
    std::vector<char*> argv = cStrings(arguments);
    std::vector<char*> envp = cStrings(environment);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    if (options.pipes && input[0] >= 0) {
        close(input[0]);
        close(output[1]);
        m_input = input[1];
        m_output = output[0];
    }
    if (m_pid < 0)
        m_ended = true;
}

ChildProcess::~ChildProcess()
{
    if (m_input >= 0)
        close(m_input);
    if (m_output >= 0)
        close(m_output);
    if (running()) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &m_status, 0);
    }
}

bool ChildProcess::running()
{
    if (m_ended)
        return false;
    int status = 0;
    pid_t result = waitpid(m_pid, &status, WNOHANG);
    if (result == m_pid) {
        m_status = status;
        m_ended = true;
    }
    return !m_ended;
}

bool ChildProcess::waitForExit(std::chrono::milliseconds limit)
{
    return pollUntil([this] { return !running(); }, limit);
}

int ChildProcess::exitCode() const { return m_ended && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1; }

int ChildProcess::termSignal() const { return m_ended && WIFSIGNALED(m_status) ? WTERMSIG(m_status) : 0; }

void ChildProcess::signal(int signalNumber)
{
    if (running())
        kill(m_pid, signalNumber);
}

void ChildProcess::writeLine(const std::string& line)
{
    if (m_input < 0)
        return;
    std::string text = line + "\n";
    [[maybe_unused]] ssize_t written = write(m_input, text.data(), text.size());
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (m_output >= 0) {
        std::size_t newline = m_buffered.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffered.substr(0, newline);
            m_buffered.erase(0, newline + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd source = { m_output, POLLIN, 0 };
        if (poll(&source, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[256];
        ssize_t count = read(m_output, chunk, sizeof chunk);
        if (count <= 0)
            return std::nullopt;
        m_buffered.append(chunk, static_cast<std::size_t>(count));
    }
    return std::nullopt;
}

int Screenshot::countEqual(int x, int y, int w, int h, uint32_t colour) const
{
    int count = 0;
    for (int row = std::max(y, 0); row < std::min(y + h, height); ++row) {
        for (int column = std::max(x, 0); column < std::min(x + w, width); ++column)
            count += pixel(column, row) == colour ? 1 : 0;
    }
    return count;
}

int Screenshot::countOther(int x, int y, int w, int h, uint32_t colour) const
{
    const int inside = (std::min(y + h, height) - std::max(y, 0)) * (std::min(x + w, width) - std::max(x, 0));
    return inside - countEqual(x, y, w, h, colour);
}

namespace {

std::string screenGeometry(int width, int height) { return std::to_string(width) + "x" + std::to_string(height) + "x24"; }

} // namespace

XSession::XSession(int width, int height) { startServer({ screenGeometry(width, height) }); }

XSession::XSession(int width, int height, int secondWidth, int secondHeight)
{
    startServer({ screenGeometry(width, height), screenGeometry(secondWidth, secondHeight) });
}

void XSession::startServer(const std::vector<std::string>& screens)
{
    char pattern[] = "/tmp/opal-e2e-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    m_folder = pattern;
    for (const char* name : { "config", "data", "runtime" })
        std::filesystem::create_directories(m_folder / name);
    std::filesystem::permissions(m_folder / "runtime", std::filesystem::perms::owner_all);

    // Xvfb picks a free display number itself and writes it to the descriptor it is given.
    int numberPipe[2];
    if (pipe(numberPipe) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end goes first: it may itself be descriptor 3.
    posix_spawn_file_actions_addclose(&actions, numberPipe[0]);
    posix_spawn_file_actions_adddup2(&actions, numberPipe[1], 3);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (m_folder / "xvfb.log").c_str(),
        O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> arguments = { "/usr/bin/Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset" };
    for (std::size_t screen = 0; screen < screens.size(); ++screen) {
        arguments.insert(arguments.end(), { "-screen", std::to_string(screen), screens[screen] });
    }
    std::vector<char*> argv = cStrings(arguments);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(numberPipe[1]);
    if (spawned != 0) {
        close(numberPipe[0]);
        return;
    }
    m_xvfb = pid;

    std::string number;
    pollfd source = { numberPipe[0], POLLIN, 0 };
    while (poll(&source, 1, 60000) > 0) {
        char character;
        if (read(numberPipe[0], &character, 1) != 1 || character == '\n')
            break;
        number += character;
    }
    close(numberPipe[0]);
    if (!number.empty())
        m_display = ":" + number;
}

XSession::~XSession()
{
    if (m_xvfb > 0) {
        kill(m_xvfb, SIGTERM);
        int status = 0;
        waitpid(m_xvfb, &status, 0);
    }
    if (!m_folder.empty() && std::getenv("OPAL_E2E_KEEP") == nullptr)
        std::filesystem::remove_all(m_folder);
}

std::vector<std::string> XSession::environment() const
{
    return { "DISPLAY=" + m_display, "XDG_CONFIG_HOME=" + (m_folder / "config").string(),
        "XDG_DATA_HOME=" + (m_folder / "data").string(), "XDG_RUNTIME_DIR=" + (m_folder / "runtime").string(),
        "QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=print_suppressions=0:suppressions=" OPAL_LSAN_SUPPRESSIONS };
}

std::vector<std::string> XSession::environmentWith(const std::vector<std::string>& overrides) const
{
    std::vector<std::string> merged;
    for (const std::string& entry : environment()) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(overrides.begin(), overrides.end(), [&](const std::string& over) { return over.rfind(name, 0) == 0; }))
            merged.push_back(entry);
    }
    merged.insert(merged.end(), overrides.begin(), overrides.end());
    return merged;
}

std::unique_ptr<ChildProcess> XSession::start(std::vector<std::string> arguments, bool pipes)
{
    ChildProcess::Options options;
    options.arguments = std::move(arguments);
    options.environment = environment();
    options.pipes = pipes;
    options.errorFile = m_folder / "stderr.log";
    return std::make_unique<ChildProcess>(options);
}

std::unique_ptr<ChildProcess> XSession::startHostWindow(
    int x, int y, int width, int height, const std::string& colour, std::string& id)
{
    auto host = start({ hostWindowPath(), "window", std::to_string(x), std::to_string(y), std::to_string(width),
                          std::to_string(height), colour },
        true);
    id = host->readLine().value_or("");
    return host;
}

std::string XSession::run(const std::string& command) const
{
    std::string full = "DISPLAY=" + m_display + " " + command + " 2>/dev/null";
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr)
        return {};
    std::string output;
    std::array<char, 4096> chunk;
    std::size_t count;
    while ((count = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        output.append(chunk.data(), count);
    pclose(pipe);
    return output;
}

void XSession::xdotool(const std::string& arguments) const { run("xdotool " + arguments); }

std::vector<std::string> XSession::windowsNamed(const std::string& name) const
{
    std::string output = run("xdotool search --onlyvisible --name '^" + name + "$'");
    std::vector<std::string> ids;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        if (end > start)
            ids.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return ids;
}

Screenshot readPicture(const std::filesystem::path& path)
{
    Screenshot shot;
    // Read back through ImageMagick as a binary PPM: a short header, then RGB bytes.
    FILE* pipe = popen(("convert " + path.string() + " -depth 8 ppm:- 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return shot;
    int maximum = 0;
    if (std::fscanf(pipe, "P6 %d %d %d", &shot.width, &shot.height, &maximum) == 3 && maximum == 255) {
        std::fgetc(pipe); // the single blank after the header
        shot.rgb.resize(static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height) * 3);
        if (std::fread(shot.rgb.data(), 1, shot.rgb.size(), pipe) != shot.rgb.size())
            shot = Screenshot();
    } else {
        shot = Screenshot();
    }
    pclose(pipe);
    return shot;
}

Screenshot XSession::shoot(const std::string& name, int screen) const
{
    const std::filesystem::path png = m_folder / (name + ".png");
    run("import -display " + m_display + "." + std::to_string(screen) + " -window root " + png.string());
    return readPicture(png);
}

std::string programPath() { return OPAL_PROGRAM_PATH; }
std::string hostWindowPath() { return OPAL_HOST_WINDOW_PATH; }

bool XSession::keepOnlyPreset(const std::string& file) const
{
    const std::filesystem::path presets = m_folder / "data" / "opal-revel" / "presets";
    std::error_code error;
    if (!std::filesystem::exists(presets / file, error))
        return false;
    for (const auto& entry : std::filesystem::directory_iterator(presets, error)) {
        if (entry.path().filename() != file)
            std::filesystem::remove(entry.path(), error);
    }
    return true;
}
