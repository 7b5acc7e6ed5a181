#include "tools/make_presets/gallery_definitions.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/platform/temp_folder.h"

namespace {

std::filesystem::path sourceFolder()
{
    return OPAL_SOURCE_DIR;
}

std::string bytesOf(Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    writePreset(preset, out);
    return out.str();
}

TEST(Gallery, ShippedPresetsAreExactlyWhatTheDefinitionsGenerate)
{
    std::vector<GalleryPreset> gallery;
    std::string error;
    ASSERT_TRUE(parseGallery(readWholeFile(sourceFolder() / "tools/make_presets/gallery.txt"), gallery, error))
        << error;
    ASSERT_GE(gallery.size(), 16u);
    const auto shipped = sourceFolder() / "data/presets";
    std::set<std::string> distinct;
    for (GalleryPreset& entry : gallery) {
        const std::string bytes = bytesOf(entry.preset);
        EXPECT_EQ(readWholeFile(shipped / (entry.name + ".vhp")), bytes)
            << entry.name << ": regenerate with the regenerate_presets target";
        distinct.insert(bytes);
    }
    EXPECT_EQ(distinct.size(), gallery.size()) << "every sample differs from the others";
    EXPECT_EQ(listPresetNames(shipped.string(), 500).size(), gallery.size()) << "no stale files";
}

// The editor pulls every value it loads into its sliders' ranges and writes it back, so a
// sample outside them would change as soon as someone opened it there.
TEST(Gallery, EverySampleStaysWithinTheEditorsRanges)
{
    std::vector<GalleryPreset> gallery;
    std::string error;
    ASSERT_TRUE(parseGallery(readWholeFile(sourceFolder() / "tools/make_presets/gallery.txt"), gallery, error))
        << error;
    for (const GalleryPreset& entry : gallery) {
        for (const auto& row : entry.preset.objects.stacks) {
            const ShapeStack& stack = *row[0];
            EXPECT_TRUE(stack.masterSize >= 20 && stack.masterSize <= 100) << entry.name;
            for (int32_t i = 0; i < stack.shapeCount; ++i) {
                const Shape& shape = stack.shapes[static_cast<size_t>(i)];
                EXPECT_TRUE(shape.width >= 20 && shape.width <= 100) << entry.name << " shape " << i;
                EXPECT_TRUE(shape.height >= 20 && shape.height <= 100) << entry.name << " shape " << i;
                EXPECT_TRUE(shape.phong >= 1 && shape.phong <= 20) << entry.name << " shape " << i;
                EXPECT_TRUE(shape.mirror >= 0.0f && shape.mirror <= 1.0f) << entry.name << " shape " << i;
                EXPECT_TRUE(shape.ambient >= 0.0f && shape.ambient <= 1.0f) << entry.name << " shape " << i;
                EXPECT_TRUE(shape.type == kSphereType || shape.type == kTorusType) << entry.name << " shape " << i;
            }
        }
    }
}

TEST(Gallery, DefinitionsBuildStacksShapeByShape)
{
    std::vector<GalleryPreset> gallery;
    std::string error;
    ASSERT_TRUE(parseGallery("preset two # a comment\n"
                             "speeds -0.5 0.25\n"
                             "enabled 1 0 1 1 1 1 0\n"
                             "colors #ff0000 #00ff00 #0000ff #ffffff #000000 #808080 #102030\n"
                             "object 2,5-6\n"
                             "  master 70\n"
                             "  shape torus size 100 80 light 0 1 -1 phong 9 color object\n"
                             "  shape sphere size 50 60 color blend #ffffff 0.5 lcolor #ff8000 offset 2 -3\n",
        gallery, error))
        << error;
    ASSERT_EQ(gallery.size(), 1u);
    const Preset& preset = gallery[0].preset;
    EXPECT_EQ(gallery[0].name, "two");
    EXPECT_EQ(preset.roundSpeed, -0.5);
    EXPECT_EQ(preset.objectEnabled, (std::array<int32_t, 7> { 1, 0, 1, 1, 1, 1, 0 }));
    const ShapeStack& second = *preset.objects.stacks[1][0];
    EXPECT_EQ(second.masterSize, 70);
    ASSERT_EQ(second.shapeCount, 2);
    EXPECT_EQ(second.shapes[0].type, kTorusType);
    EXPECT_EQ(second.shapes[0].color, 0x0000FF00u) << "green as COLORREF";
    EXPECT_EQ(second.shapes[0].lightX, 0.0f);
    EXPECT_EQ(second.shapes[0].phong, 9);
    EXPECT_EQ(second.shapes[0].ambient, 0.34f) << "unset keys keep a new object's values";
    EXPECT_EQ(second.shapes[1].color, 0x0080FF80u) << "green halfway to white";
    EXPECT_EQ(second.shapes[1].lColor, 0x000080FFu);
    EXPECT_EQ(second.shapes[1].offsetY, -3);
    EXPECT_EQ(preset.objects.stacks[5][0]->shapes[0].color, 0x00808080u);
    EXPECT_EQ(preset.objects.stacks[0][0]->shapeCount, 1) << "objects not named keep the start-up stack";
    EXPECT_EQ(preset.objects.stacks[0][0]->shapes[0].color, DefaultObjectColors[0]);
}

TEST(Gallery, MistakesNameTheirLine)
{
    const std::pair<const char*, const char*> cases[] = {
        { "speeds 1 2\n", "line 1: \"speeds\" before the first preset" },
        { "preset a\nmaster 5\n", "line 2: \"master\" outside an object block" },
        { "preset a\nobject 0-3\n", "line 2: not a list of objects 1 to 7: 0-3" },
        { "preset a\nobject 1\nshape cube\n", "line 3: a shape is a sphere or a torus, not cube" },
        { "preset a\nobject 1\nshape sphere phong x\n", "line 3: not a number: x" },
        { "preset a\nspeeds 1\n", "line 2: a value is missing" },
        { "preset a\nobject 1\nshape sphere\nshape sphere\nshape sphere\nshape sphere\nshape sphere\nshape sphere\n",
            "line 8: more than five shapes in a stack" },
    };
    for (const auto& [text, message] : cases) {
        std::vector<GalleryPreset> gallery;
        std::string error;
        EXPECT_FALSE(parseGallery(text, gallery, error)) << text;
        EXPECT_EQ(error, message);
    }
}

} // namespace
