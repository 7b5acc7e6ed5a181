#pragma once

#include <QAccessible>
#include <QString>

class PicturePanel;

// The editor's custom-painted panels that act as controls (the light-angle disc, the shape
// browser, the object thumbnails) tell screen readers what they are through these calls.
// A plain widget interface knows neither a panel's role nor its value; the panel's
// interface reads what is given here, and each change is announced.

// Gives the panel its role. Call before the panel is first shown.
void setAccessibleRole(PicturePanel* panel, QAccessible::Role role);
// The panel's value as a reader speaks it ("Shape 2 of 3"): the interface's value text,
// and the start of its description, since that is what reaches AT-SPI. Announced when it
// changes.
void setAccessibleValue(PicturePanel* panel, const QString& value);
// Makes the panel checkable and sets its checked state; announced when it changes.
void setAccessibleChecked(PicturePanel* panel, bool checked);
