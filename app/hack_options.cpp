#include "app/hack_options.h"

#include "export/animation_writer.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::string_view kOptionPrefix = "--";
constexpr std::string_view kRandom = "random";
constexpr std::string_view kPresetEnding = ".vhp";
// A rejected argument is quoted in the message only up to this length, so the message
// stays one readable line whatever was passed.
constexpr std::size_t kQuotedLimit = 60;
// The options that choose what a run draws on.
constexpr std::string_view kModeOptions[] = { "--root", "--window-id", "--record", "--wallpaper" };

// The argument as it may appear inside a one-line message: printable ASCII as it is,
// everything else (line breaks, escape sequences, bytes of other encodings) as \xNN.
std::string quotedText(std::string_view text)
{
    std::string quoted = "\"";
    for (std::size_t index = 0; index < text.size() && index < kQuotedLimit; ++index) {
        const auto byte = static_cast<unsigned char>(text[index]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            quoted += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        }
    }
    if (text.size() > kQuotedLimit)
        quoted += "...";
    return quoted + "\"";
}

// Decimal digits only, the whole text, within the range.
std::optional<int> readWholeNumber(std::string_view text, int low, int high)
{
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string lowered(std::string_view text)
{
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
        [](char character) { return character >= 'A' && character <= 'Z' ? static_cast<char>(character + 32) : character; });
    return lowered;
}

bool endsWithPresetEnding(std::string_view name)
{
    return name.size() >= kPresetEnding.size() && lowered(name.substr(name.size() - kPresetEnding.size())) == kPresetEnding;
}

// A file name that is only a format's extension (".gif", "out/.webm") or ends in a "/" has
// no name for the file.
bool lacksFileName(const std::string& fileName)
{
    const std::string last = lowered(std::filesystem::path(fileName).filename().string());
    return last.empty() || last == ".gif" || last == ".webp" || last == ".webm";
}

// Reads the command line one option at a time; the first fault ends the reading.
class OptionReader {
public:
    explicit OptionReader(const std::vector<std::string>& arguments)
        : m_arguments(arguments)
    {
    }

    HackParseResult read()
    {
        while (m_next < m_arguments.size() && m_error.empty())
            readOption(m_arguments[m_next++]);
        const HackOptions& options = m_result.options;
        const bool recordOptions = options.recordWidth || options.recordSeconds || options.recordSprites || options.recordFps;
        if (m_error.empty() && recordOptions && options.target != HackTarget::Record)
            m_error = "--size, --seconds, --sprites and --fps go with --record FILE only (see --help)";
        if (m_error.empty() && options.recordSeconds && options.recordSprites)
            m_error = "give --seconds or --sprites, not both";
        if (m_error.empty() && options.target == HackTarget::Record)
            checkRecordSize();
        if (m_error.empty() && !options.help && options.target == HackTarget::None)
            m_error = "give --root, --window-id ID or --record FILE (see --help)";
        m_result.ok = m_error.empty();
        m_result.error = m_error;
        return m_result;
    }

private:
    void readOption(const std::string& argument);

    // One reader per option; the name is passed on so that messages quote it as given.
    using ReadFunction = void (OptionReader::*)(const std::string& name);
    struct OptionRule {
        std::string_view name;
        ReadFunction read;
    };
    static const OptionRule kOptionRules[];

    void readHelp(const std::string& name)
    {
        if (noValue(name))
            m_result.options.help = true;
    }

    void readRoot(const std::string& name)
    {
        if (noValue(name))
            target(HackTarget::Root, name);
    }

    void readWallpaper(const std::string& name)
    {
        if (noValue(name))
            target(HackTarget::Wallpaper, name);
    }

    void readRate(const std::string& name)
    {
        m_result.options.ratePercent = number(name, kMinimumRatePercent, kMaximumRatePercent);
    }

    void readWindowId(const std::string& name)
    {
        const std::optional<std::string> text = value(name);
        if (!text)
            return;
        if (const std::optional<uint32_t> id = parseWindowId(*text); id && target(HackTarget::Window, name))
            m_result.options.windowId = *id;
        else if (!id)
            refuse(name, *text, "a window id, decimal or 0x and hexadecimal");
    }

    void readRecord(const std::string& name)
    {
        const std::optional<std::string> text = value(name);
        if (!text)
            return;
        AnimationFormat format = AnimationFormat::Gif;
        if (lacksFileName(*text))
            m_error = name + " " + quotedText(*text) + ": the file's name is missing (give one such as clip.gif)";
        else if (!animationFormatForFile(*text, format))
            refuse(name, *text, "a file ending in .gif, .webp or .webm");
        else if (target(HackTarget::Record, name))
            m_result.options.recordFile = *text;
    }

    void readSize(const std::string& name)
    {
        const std::optional<std::string> text = value(name);
        if (!text)
            return;
        const std::size_t times = text->find('x');
        std::optional<int> width;
        std::optional<int> height;
        if (times != std::string::npos) {
            width = readWholeNumber(std::string_view(*text).substr(0, times), 1, kMaximumRecordSide);
            height = readWholeNumber(std::string_view(*text).substr(times + 1), 1, kMaximumRecordSide);
        }
        if (width && height) {
            m_result.options.recordWidth = width;
            m_result.options.recordHeight = height;
        } else {
            refuse(name, *text, "WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaximumRecordSide));
        }
    }

    void readSeconds(const std::string& name) { m_result.options.recordSeconds = number(name, 1, kMaximumRecordSeconds); }
    void readSprites(const std::string& name) { m_result.options.recordSprites = number(name, 1, kMaximumRecordSprites); }
    void readFps(const std::string& name) { m_result.options.recordFps = number(name, 1, kMaximumRecordFps); }

    void readPreset(const std::string& name)
    {
        const std::optional<std::string> text = value(name);
        if (text && text->empty())
            refuse(name, *text, "a preset's name, a preset file or random");
        else if (text)
            m_result.options.preset = *text;
    }

    void readFormula(const std::string& name) { m_result.options.formula = numberOrRandom(name, kFormulaCount - 1); }
    void readMirror(const std::string& name) { m_result.options.mirror = numberOrRandom(name, kMirrorCount - 1); }

    void readBlur(const std::string& name)
    {
        if (noValue(name))
            m_result.options.blur = name == "--blur";
    }

    void readTravel(const std::string& name)
    {
        if (noValue(name))
            m_result.options.travel = name == "--travel";
    }

    void readChangeSeconds(const std::string& name)
    {
        m_result.options.changeSeconds = number(name, 0, kMaximumChangeSeconds);
    }

    void readScale(const std::string& name)
    {
        m_result.options.scalePercent = number(name, kMinimumScalePercent, kMaximumScalePercent);
    }

    // The size must fit the file's format, which is known only once both are read.
    void checkRecordSize()
    {
        const HackOptions& options = m_result.options;
        AnimationFormat format = AnimationFormat::Gif;
        animationFormatForFile(options.recordFile, format);
        const int largest = largestFrameSide(format);
        if (options.recordWidth.value_or(0) > largest || options.recordHeight.value_or(0) > largest) {
            m_error = "--size " + std::to_string(*options.recordWidth) + "x" + std::to_string(*options.recordHeight)
                + " does not fit a ." + animationExtension(format) + " file, which holds at most "
                + std::to_string(largest) + " pixels a side";
        }
    }

    // A host switch has no place among options; when a mode option is given too, the
    // message names both, wherever each stands.
    void refuseHostSwitch(const std::string& argument)
    {
        const std::string mode = firstModeOption(m_arguments);
        m_error = "unexpected argument " + quotedText(argument) + ": a host switch such as /s must come alone"
            + (mode.empty() ? std::string() : ", not with " + mode) + " (see --help)";
    }

    // The option's value: after "=", else the next argument.
    std::optional<std::string> value(const std::string& name)
    {
        if (m_inlineValue)
            return m_inlineValue;
        if (m_next >= m_arguments.size()) {
            m_error = name + " wants a value (see --help)";
            return std::nullopt;
        }
        return m_arguments[m_next++];
    }

    bool noValue(const std::string& name)
    {
        if (m_inlineValue)
            m_error = name + " takes no value, not " + quotedText(*m_inlineValue);
        return !m_inlineValue;
    }

    // One run has one mode. The exception: a settings dialog runs the daemon's command line
    // for its preview with --window-id added, so a given window wins over --root in whichever
    // order they come. False (with the message) when the option names a second mode.
    bool target(HackTarget target, const std::string& name)
    {
        HackTarget& current = m_result.options.target;
        if (current == HackTarget::Window && target == HackTarget::Root)
            return true;
        if (current == HackTarget::None || current == target || (current == HackTarget::Root && target == HackTarget::Window)) {
            current = target;
            m_targetName = name;
            return true;
        }
        m_error = m_targetName + " and " + name + " name two modes: give one (see --help)";
        return false;
    }

    std::optional<int> number(const std::string& name, int low, int high)
    {
        const std::optional<std::string> text = value(name);
        if (!text)
            return std::nullopt;
        std::optional<int> value = readWholeNumber(*text, low, high);
        if (!value)
            refuse(name, *text, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        return value;
    }

    std::optional<int> numberOrRandom(const std::string& name, int high)
    {
        const std::optional<std::string> text = value(name);
        if (!text)
            return std::nullopt;
        if (*text == kRandom)
            return kRandomChoice;
        std::optional<int> value = readWholeNumber(*text, 0, high);
        if (!value)
            refuse(name, *text, "a whole number from 0 to " + std::to_string(high) + " or random");
        return value;
    }

    void refuse(const std::string& name, const std::string& text, const std::string& wanted)
    {
        m_error = name + " wants " + wanted + ", not " + quotedText(text);
    }

    const std::vector<std::string>& m_arguments;
    std::size_t m_next = 0;
    std::optional<std::string> m_inlineValue;
    // The option that chose the target, for a message about a second one.
    std::string m_targetName;
    std::string m_error;
    HackParseResult m_result;
};

const OptionReader::OptionRule OptionReader::kOptionRules[] = {
    { "--help", &OptionReader::readHelp },
    { "--root", &OptionReader::readRoot },
    { "--wallpaper", &OptionReader::readWallpaper },
    { "--rate", &OptionReader::readRate },
    { "--window-id", &OptionReader::readWindowId },
    { "--record", &OptionReader::readRecord },
    { "--size", &OptionReader::readSize },
    { "--seconds", &OptionReader::readSeconds },
    { "--sprites", &OptionReader::readSprites },
    { "--fps", &OptionReader::readFps },
    { "--preset", &OptionReader::readPreset },
    { "--formula", &OptionReader::readFormula },
    { "--mirror", &OptionReader::readMirror },
    { "--blur", &OptionReader::readBlur },
    { "--no-blur", &OptionReader::readBlur },
    { "--travel", &OptionReader::readTravel },
    { "--no-travel", &OptionReader::readTravel },
    { "--change-seconds", &OptionReader::readChangeSeconds },
    { "--scale", &OptionReader::readScale },
};

void OptionReader::readOption(const std::string& argument)
{
    if (argument.compare(0, kOptionPrefix.size(), kOptionPrefix) != 0) {
        refuseHostSwitch(argument);
        return;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (equals != std::string::npos)
        m_inlineValue = argument.substr(equals + 1);
    else
        m_inlineValue.reset();
    for (const OptionRule& rule : kOptionRules) {
        if (name == rule.name) {
            (this->*rule.read)(name);
            return;
        }
    }
    m_error = "unknown option " + quotedText(name) + " (see --help)";
}

} // namespace

std::string firstModeOption(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        const std::string name = argument.substr(0, argument.find('='));
        if (std::find(std::begin(kModeOptions), std::end(kModeOptions), name) != std::end(kModeOptions))
            return name;
    }
    return {};
}

bool isHackCommandLine(const std::vector<std::string>& arguments)
{
    return !arguments.empty() && arguments.front().compare(0, kOptionPrefix.size(), kOptionPrefix) == 0;
}

HackParseResult parseHackOptions(const std::vector<std::string>& arguments)
{
    return OptionReader(arguments).read();
}

std::optional<uint32_t> parseWindowId(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars reads no blank and, for an unsigned type, no sign; the whole text must be digits.
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

void applyHackOptions(const HackOptions& options, SettingsRecord& settings, const std::function<uint32_t()>& random)
{
    if (options.formula)
        settings.formula = *options.formula == kRandomChoice ? static_cast<int32_t>(random() % kFormulaCount) : *options.formula;
    if (options.mirror)
        settings.mirror = *options.mirror == kRandomChoice ? static_cast<int32_t>(random() % kMirrorCount) : *options.mirror;
    if (options.blur)
        settings.filter = *options.blur;
    if (options.travel)
        settings.travel = *options.travel ? 1 : 0;
    if (options.changeSeconds) {
        if (*options.changeSeconds == 0) {
            settings.changePresets = 0;
            settings.changeFormula = 0;
        } else {
            settings.seconds = *options.changeSeconds;
        }
    }
    if (options.scalePercent)
        settings.scale = *options.scalePercent;
}

std::optional<std::filesystem::path> findPresetArgument(const std::string& argument, const std::string& presetsFolder)
{
    if (argument.find('/') != std::string::npos)
        return std::filesystem::path(argument);
    if (presetsFolder.empty())
        return std::nullopt;
    const std::vector<std::string> names = listPresetNames(presetsFolder, SIZE_MAX);
    const std::string wanted = lowered(endsWithPresetEnding(argument) ? argument : argument + std::string(kPresetEnding));
    std::optional<std::string> found;
    for (const std::string& name : names) {
        if (name == argument || name == argument + std::string(kPresetEnding))
            return presetPath(presetsFolder, name);
        if (!found && lowered(name) == wanted)
            found = name;
    }
    if (!found)
        return std::nullopt;
    return presetPath(presetsFolder, *found);
}

std::string quoteArgument(std::string_view text) { return quotedText(text); }

std::string hackUsage()
{
    return "Usage: opal-revel --root | --window-id ID | --record FILE [options]\n"
           "       opal-revel /s | /p ID | /c | /a   (screen-saver host switches)\n"
           "\n"
           "  --root               draw into $XSCREENSAVER_WINDOW, or over every screen when it is unset\n"
           "  --window-id ID       draw into the window ID (decimal, or 0x and hexadecimal)\n"
           "  --record FILE        record what the saver shows into FILE, without a display, at full\n"
           "                       speed; .gif, .webp or .webm chooses the format\n"
           "\n"
           "With --record:\n"
           "  --size WxH           picture size in pixels (640x480)\n"
           "  --seconds N          length of the recording in seconds of the saver's time (5)\n"
           "  --sprites N          or: record until N sprites are drawn\n"
           "  --fps N              frames per second, 1 to 30 (30)\n"
           "\n"
           "For this run only, without changing the stored options:\n"
           "  --preset NAME|FILE|random   a preset of the presets folder, a preset file, or a random one\n"
           "  --formula N|random          motion formula, 0 to 19\n"
           "  --mirror N|random           mirror: 0 none, 1 horizontal, 2 vertical, 3 diagonal\n"
           "  --blur, --no-blur           blurred trails\n"
           "  --travel, --no-travel       the figure travels around the screen\n"
           "  --change-seconds N          seconds between automatic changes, 0 to 3600; 0: none\n"
           "  --scale PERCENT             size of the animation, 10 to 100\n"
           "  --wallpaper                 draw behind every window on every output (Wayland) or screen (X11)\n"
           "  --rate PERCENT              the wallpaper's sprite rate, 1 to 100 (default 25)\n";
}
