#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "presets/preset.h"

// The readable definitions the shipped sample presets are generated from. One definition
// per preset, line by line; "#" starts a comment:
//
//   preset saturn                    starts a preset from the start-up scene; the file is saturn.vhp
//   speeds 0.6 -0.1                  roundSpeed and radialSpeed
//   enabled 1 1 0 1 1 0 1            the seven object switches
//   colors #ff0000 #00ff00 ... (7)   the object colours that "color object" refers to
//                                    (the start-up colours when not given)
//   object 1-7 | object 2,4,6        the objects the following lines apply to
//   master 90                        masterSize of those objects
//   shape torus size 100 40 light 1 1 -1 ambient 0.3 mirror 0.9 phong 8 color object
//                                    appends a shape (the first shape line of an object
//                                    block replaces the stack); keys: size W H, light X Y Z,
//                                    ambient, mirror, intensity, phong, offset X Y,
//                                    color object | #rrggbb | blend #rrggbb T, lcolor #rrggbb
//
// Shapes start from the values of a new object's first shape: width and height 100, light
// 1 1 -1, ambient 0.34, mirror 0.99, intensity 0.5, Phong 4, white light colour.

struct GalleryPreset {
    std::string name;
    Preset preset;
};

// Parses the definitions; false with a message naming the line on the first error.
bool parseGallery(std::string_view text, std::vector<GalleryPreset>& presets, std::string& error);
