#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

// A control of a window or dialog, found by its objectName. Pages and dialogs keep their
// controls private; the tests reach them as a user's tools would, by name, and fail where a
// name is missing.
template <class Control>
Control* control(const QWidget& root, const QString& name)
{
    auto* found = root.findChild<Control*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name.toStdString();
    return found;
}
