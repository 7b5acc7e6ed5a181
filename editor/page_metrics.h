#pragma once

// The measures the editor's pages and its quick tweaks bar share with each other and with
// the window that holds them, in the window's pixels. A page's own measures stay in its .cpp.

// The live view, left of the pages; the quick tweaks bar below it is as wide.
inline constexpr int kLiveViewWidth = 492;

// A page fills the right-hand column under the row of tab buttons.
inline constexpr int kPageWidth = 230;
inline constexpr int kPageHeight = 462;
// The row of tab buttons above the pages.
inline constexpr int kTabRowHeight = 23;
// A caption line over a group of controls.
inline constexpr int kCaptionHeight = 16;
// The left margin of the Render and Options pages.
inline constexpr int kPageMargin = 8;
// The large buttons of the Save and Help pages.
inline constexpr int kWideButtonLeft = 15;
inline constexpr int kWideButtonWidth = 200;
inline constexpr int kWideButtonHeight = 30;
// The grey of every page's ground, one value for red, green and blue.
inline constexpr int kPageGround = 34;
