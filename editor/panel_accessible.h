#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

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
// Gives the panel a select action (the first of its actions) that calls select, as a
// click on it does.
void setAccessibleSelectAction(PicturePanel* panel, std::function<void()> select);

// A list panel's items: where item i lies on the panel (in its own coordinates) and what
// choosing it through a reader does. Call once, with the list role.
void setAccessibleItemSource(PicturePanel* panel, std::function<QRect(int)> itemRect,
    std::function<void(int)> selectItem);
// The items a reader moves through, by name, and which one is selected (-1: none). A
// change of the selection is announced, and while the panel has the keyboard the selected
// item is the reader's focus.
void setAccessibleItems(PicturePanel* panel, const QStringList& names, int selected);

// The name of the select action of thumbnails and list items.
QString selectActionName();
