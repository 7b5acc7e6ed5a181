#include "tools/make_presets/gallery_definitions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

namespace {

struct ObjectGroup {
    std::vector<int> objects; // 0-based
    bool shapesStarted = false;
};

class Parser {
public:
    Parser(std::vector<GalleryPreset>& presets, std::string& error)
        : m_presets(presets)
        , m_error(error)
    {
    }

    bool parse(std::string_view text)
    {
        std::istringstream lines { std::string(text) };
        std::string line;
        while (std::getline(lines, line)) {
            ++m_lineNumber;
            if (const auto comment = line.find('#'); comment != std::string::npos && !isColourAt(line, comment))
                line.resize(comment);
            std::istringstream words(line);
            m_words.clear();
            for (std::string word; words >> word;)
                m_words.push_back(word);
            m_next = 0;
            if (!m_words.empty() && !parseLine())
                return false;
        }
        return true;
    }

private:
    // "#" starts a comment unless it opens a colour such as #ff8000.
    static bool isColourAt(const std::string& line, std::size_t at)
    {
        return at + 7 <= line.size()
            && std::all_of(line.begin() + static_cast<long>(at) + 1, line.begin() + static_cast<long>(at) + 7,
                [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })
            && (at + 7 == line.size() || std::isspace(static_cast<unsigned char>(line[at + 7])));
    }

    bool fail(const std::string& message)
    {
        m_error = "line " + std::to_string(m_lineNumber) + ": " + message;
        return false;
    }

    bool word(std::string& out)
    {
        if (m_next >= m_words.size())
            return fail("a value is missing");
        out = m_words[m_next++];
        return true;
    }

    template<typename Number> bool number(Number& out)
    {
        std::string text;
        if (!word(text))
            return false;
        const auto [end, result] = std::from_chars(text.data(), text.data() + text.size(), out);
        if (result != std::errc() || end != text.data() + text.size())
            return fail("not a number: " + text);
        return true;
    }

    // #rrggbb as a COLORREF (red in the low byte).
    bool colour(uint32_t& out)
    {
        std::string text;
        if (!word(text))
            return false;
        unsigned value = 0;
        if (text.size() != 7 || text[0] != '#'
            || std::from_chars(text.data() + 1, text.data() + 7, value, 16).ptr != text.data() + 7)
            return fail("not a colour: " + text);
        out = ((value >> 16) & 0xFF) | (value & 0xFF00) | ((value & 0xFF) << 16);
        return true;
    }

    Preset* current() { return m_presets.empty() ? nullptr : &m_presets.back().preset; }

    bool parseLine()
    {
        const std::string keyword = m_words[m_next++];
        if (keyword == "preset") {
            std::string name;
            if (!word(name))
                return false;
            m_presets.push_back({ name, newStartPreset() });
            m_colours = DefaultObjectColors;
            m_group = {};
            return done();
        }
        Preset* preset = current();
        if (!preset)
            return fail("\"" + keyword + "\" before the first preset");
        if (keyword == "speeds")
            return number(preset->roundSpeed) && number(preset->radialSpeed) && done();
        if (keyword == "enabled") {
            for (int32_t& enabled : preset->objectEnabled) {
                if (!number(enabled))
                    return false;
            }
            return done();
        }
        if (keyword == "colors") {
            for (uint32_t& colour : m_colours) {
                if (!this->colour(colour))
                    return false;
            }
            return done();
        }
        if (keyword == "object")
            return parseObjects() && done();
        if (m_group.objects.empty())
            return fail("\"" + keyword + "\" outside an object block");
        if (keyword == "master") {
            int32_t master = 0;
            if (!number(master))
                return false;
            for (const int object : m_group.objects)
                preset->objects.stacks[object][0]->masterSize = master;
            return done();
        }
        if (keyword == "shape")
            return parseShape(*preset);
        return fail("unknown keyword: " + keyword);
    }

    bool done() { return m_next == m_words.size() || fail("unexpected: " + m_words[m_next]); }

    // 1-7, 2,4,6 or 3.
    bool parseObjects()
    {
        std::string list;
        if (!word(list))
            return false;
        m_group = {};
        std::istringstream parts(list);
        for (std::string part; std::getline(parts, part, ',');) {
            int first = 0;
            int last = 0;
            const auto dash = part.find('-');
            const std::string from = part.substr(0, dash);
            const std::string to = dash == std::string::npos ? from : part.substr(dash + 1);
            if (std::from_chars(from.data(), from.data() + from.size(), first).ec != std::errc()
                || std::from_chars(to.data(), to.data() + to.size(), last).ec != std::errc() || first < 1
                || last > kObjectCount || first > last)
                return fail("not a list of objects 1 to 7: " + list);
            for (int object = first; object <= last; ++object)
                m_group.objects.push_back(object - 1);
        }
        return true;
    }

    bool parseShape(Preset& preset)
    {
        std::string type;
        if (!word(type))
            return false;
        if (type != "sphere" && type != "torus")
            return fail("a shape is a sphere or a torus, not " + type);

        Shape shape = newShape();
        shape.type = type == "torus" ? kTorusType : kSphereType;
        shape.width = 100;
        shape.height = 100;
        shape.lColor = 0x00FFFFFF;
        shape.ambient = 0.34f;
        shape.mirror = 0.99f;
        shape.intensity = 0.5f;
        shape.phong = 4;
        enum class ColourSource { Object, Fixed, Blend } source = ColourSource::Object;
        uint32_t fixed = 0;
        float blend = 0.0f;
        while (m_next < m_words.size()) {
            std::string key;
            word(key);
            bool good = true;
            if (key == "size")
                good = number(shape.width) && number(shape.height);
            else if (key == "light")
                good = number(shape.lightX) && number(shape.lightY) && number(shape.lightZ);
            else if (key == "ambient")
                good = number(shape.ambient);
            else if (key == "mirror")
                good = number(shape.mirror);
            else if (key == "intensity")
                good = number(shape.intensity);
            else if (key == "phong")
                good = number(shape.phong);
            else if (key == "offset")
                good = number(shape.offsetX) && number(shape.offsetY);
            else if (key == "lcolor")
                good = colour(shape.lColor);
            else if (key == "color") {
                std::string how;
                good = word(how);
                if (good && how == "object") {
                    source = ColourSource::Object;
                } else if (good && how == "blend") {
                    source = ColourSource::Blend;
                    good = colour(fixed) && number(blend);
                } else if (good) {
                    --m_next;
                    source = ColourSource::Fixed;
                    good = colour(fixed);
                }
            } else {
                return fail("unknown shape key: " + key);
            }
            if (!good)
                return false;
        }

        for (const int object : m_group.objects) {
            ShapeStack& stack = *preset.objects.stacks[object][0];
            if (!m_group.shapesStarted)
                stack.shapeCount = 0;
            if (stack.shapeCount >= kMaxShapes)
                return fail("more than five shapes in a stack");
            Shape placed = shape;
            if (source == ColourSource::Object)
                placed.color = m_colours[object];
            else if (source == ColourSource::Fixed)
                placed.color = fixed;
            else
                placed.color = blendColour(m_colours[object], fixed, blend);
            stack.shapes[stack.shapeCount++] = placed;
        }
        m_group.shapesStarted = true;
        return true;
    }

    static uint32_t blendColour(uint32_t from, uint32_t to, float amount)
    {
        uint32_t result = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const float a = static_cast<float>((from >> shift) & 0xFF);
            const float b = static_cast<float>((to >> shift) & 0xFF);
            const auto channel = static_cast<uint32_t>(std::lround(a + (b - a) * amount));
            result |= std::min<uint32_t>(channel, 255) << shift;
        }
        return result;
    }

    std::vector<GalleryPreset>& m_presets;
    std::string& m_error;
    std::vector<std::string> m_words;
    std::size_t m_next = 0;
    int m_lineNumber = 0;
    std::array<uint32_t, kObjectCount> m_colours = DefaultObjectColors;
    ObjectGroup m_group;
};

} // namespace

bool parseGallery(std::string_view text, std::vector<GalleryPreset>& presets, std::string& error)
{
    presets.clear();
    return Parser(presets, error).parse(text);
}
