#pragma once

#include <QString>

class QLabel;
class QSlider;
class QWidget;
class SphereButton;

// Small makers for the editor's pages, so every page places its controls the same way:
// fixed geometry in the page's pixels, the caption font of the sphere buttons, white text.

// A sphere button with its caption and, when given, its hint (tool tip).
SphereButton* makeButton(QWidget* parent, const QString& caption, int x, int y, int width, int height,
    const QString& hint = QString());
// A two-state sphere check box.
SphereButton* makeCheckBox(QWidget* parent, const QString& caption, int x, int y, int width, int height,
    const QString& hint = QString());
// A plain caption in light grey on the page's ground.
QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y, int width, int height);
// A horizontal slider that steps by 2 and moves smoothly when dragged.
QSlider* makeSlider(QWidget* parent, int minimum, int maximum, int x, int y, int width, int height,
    const QString& hint);
// Names the parts of the toolkit's colour and file dialogs that it leaves unnamed (the
// colour pictures, the size grip, a splitter's handle), so that a reader hears what each one is.
void nameStockDialogParts(QWidget* dialog);
// Fills a widget with a flat colour behind its children.
void setGround(QWidget* widget, int red, int green, int blue);
