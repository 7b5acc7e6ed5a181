#pragma once

// The measures the editor's pages share, in the page's pixels. A page's own measures stay
// in its .cpp; only what several pages (or the window that holds them) use is here.

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
