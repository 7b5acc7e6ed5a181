#pragma once

#include "editor/shape_editor.h"
#include "editor/editor_window.h"
#include "engine/refresh_timer.h"
#include "presets/run_record.h"
#include "tests/controls/named_control.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <memory>
#include <sstream>
#include <string>

// A fresh run record for each editor window: start options, the start scene, a private XDG
// home (closing the editor writes there), configure mode.
class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override { m_run.options.presetsDir = (m_home.root() / "presets").string(); }

    void TearDown() override
    {
        m_window.reset();
    }

    // Tests that look at controls stop the live view, so that nothing changes under them; a
    // test of the live view keeps it running.
    EditorWindow& showWindow(bool liveView = false)
    {
        m_window = std::make_unique<EditorWindow>(m_run);
        m_window->show();
        if (liveView)
            return *m_window; // the caller's own waiting runs the first frames
        m_window->liveViewTimer()->stop();
        QApplication::processEvents();
        return *m_window;
    }

    std::string presetBytes() const
    {
        std::ostringstream out(std::ios::binary);
        writePreset(m_run.preset, out);
        return out.str();
    }

    std::string settingsBytes() const
    {
        std::ostringstream out(std::ios::binary);
        writeSettingsFile(m_run.options, m_run.preset, out);
        return out.str();
    }

    Shape& shapeOf(int object, int shape)
    {
        return m_run.preset.objects.stacks[static_cast<size_t>(object)][0]->shapes[static_cast<size_t>(shape)];
    }

    TempXdgHome m_home;
    RunRecord m_run;
    std::unique_ptr<EditorWindow> m_window;
};

// The thumbnail of an object (counted from 0) in the quick tweaks bar.
inline QWidget* objectThumbnail(const QWidget& root, int object)
{
    return control<QWidget>(root, QStringLiteral("objectThumbnail%1").arg(object + 1));
}

// Answers the next message box that opens (within the limit) and gives its text; empty
// when none opened.
inline QString answerNextMessageBox(const std::function<void()>& action)
{
    QString text;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    poll.start();
    action();
    poll.stop();
    return text;
}

// Runs the tests of a widget test program on the offscreen platform.
inline int runWidgetTests(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
