#include "dialogs/folder_chooser.h"

#include "controls/sphere_button.h"
#include "tests/controls/named_control.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

namespace {

namespace fs = std::filesystem;

QStringList lines(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

void activate(FolderChooser& form, const QString& line)
{
    const auto found = control<QListWidget>(form, "folderList")->findItems(line, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << line.toStdString();
    control<QListWidget>(form, "folderList")->setCurrentItem(found.front());
    emit control<QListWidget>(form, "folderList")->itemActivated(found.front());
}

// Runs the dialog modally and presses one of its buttons from inside the modal loop.
int execAndClick(FolderChooser& form, SphereButton* button)
{
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    return form.exec();
}

class FolderChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_folder.path() / "My Présets" / "inner");
        fs::create_directories(m_folder.path() / "another");
    }
    QString path(const std::string& relative = {}) const
    {
        return QString::fromStdString((relative.empty() ? m_folder.path() : m_folder.path() / relative).string());
    }
    TempFolder m_folder;
};

TEST_F(FolderChooserTest, IsABorderlessWindowWithItsControlsInPlace)
{
    FolderChooser form;
    EXPECT_EQ(form.size(), QSize(256, 248));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(control<QLabel>(form, "folderTitleLabel")->text(), "Change storage directory");
    EXPECT_EQ(control<QLabel>(form, "folderTitleLabel")->geometry(), QRect(0, 0, 256, 16));
    EXPECT_EQ(control<QListWidget>(form, "folderList")->geometry(), QRect(15, 33, 226, 143));
    EXPECT_EQ(control<QLineEdit>(form, "pathField")->geometry(), QRect(15, 184, 228, 19));
    EXPECT_EQ(control<SphereButton>(form, "okButton")->geometry(), QRect(14, 212, 99, 25));
    EXPECT_EQ(control<SphereButton>(form, "cancelButton")->geometry(), QRect(144, 212, 99, 25));
    EXPECT_EQ(control<SphereButton>(form, "okButton")->caption(), "OK");
    EXPECT_EQ(control<SphereButton>(form, "cancelButton")->caption(), "Cancel");
    EXPECT_EQ(control<SphereButton>(form, "cancelButton")->color(), 4227327u);
    EXPECT_TRUE(control<QListWidget>(form, "folderList")->font().bold());

    form.setDirectory(path());
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(control<QListWidget>(form, "folderList")
                  ->visualItemRect(control<QListWidget>(form, "folderList")->item(0))
                  .height(),
        16);
    const QImage face = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(face.pixel(3, 3)), QColor(128, 0, 0)) << "the title strip";
    EXPECT_EQ(QColor(face.pixel(0, 120)), QColor(128, 0, 0)) << "the frame";
    EXPECT_EQ(QColor(face.pixel(5, 120)), QColor(128, 128, 128)) << "the grey ground inside the frame";
}

TEST_F(FolderChooserTest, TheListNavigatesAndItsFolderIsTheResultOnlyOnOk)
{
    FolderChooser form;
    form.setDirectory(path());
    EXPECT_EQ(lines(*control<QListWidget>(form, "folderList")), QStringList({ "..", "another", "My Présets" }));
    EXPECT_EQ(control<QLineEdit>(form, "pathField")->text(), path());

    activate(form, "My Présets");
    EXPECT_EQ(form.directory(), path("My Présets"));
    EXPECT_EQ(lines(*control<QListWidget>(form, "folderList")), QStringList({ "..", "inner" }));
    EXPECT_EQ(control<QLineEdit>(form, "pathField")->text(), path("My Présets"));
    activate(form, "..");
    EXPECT_EQ(form.directory(), path());
    activate(form, "another");

    EXPECT_EQ(execAndClick(form, control<SphereButton>(form, "cancelButton")), QDialog::Rejected);
    // The instance keeps what it showed last; the editor decides what a cancel means.
    EXPECT_EQ(form.directory(), path("another"));
    EXPECT_EQ(execAndClick(form, control<SphereButton>(form, "okButton")), QDialog::Accepted);
    EXPECT_EQ(form.directory(), path("another"));

    // Escape rejects as Cancel does.
    QTimer::singleShot(0, &form, [&form] { QTest::keyClick(&form, Qt::Key_Escape); });
    EXPECT_EQ(form.exec(), QDialog::Rejected);
}

// Tab runs from the list to the field, OK and Cancel. Enter on the list accepts the folder
// shown instead of entering the highlighted ".."; a button with the focus takes the key itself.
TEST_F(FolderChooserTest, TheKeyboardReachesTheButtonsAndEnterOnTheListAccepts)
{
    FolderChooser form;
    form.setDirectory(path());
    form.show();
    control<QListWidget>(form, "folderList")->setFocus();
    std::vector<QWidget*> chain;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        chain.push_back(form.focusWidget());
    }
    EXPECT_EQ(chain,
        (std::vector<QWidget*> { control<QLineEdit>(form, "pathField"), control<SphereButton>(form, "okButton"),
            control<SphereButton>(form, "cancelButton") }));

    const struct {
        QWidget* target;
        Qt::Key key;
        int result;
    } cases[] = {
        { control<QListWidget>(form, "folderList"), Qt::Key_Return, QDialog::Accepted },
        { control<QListWidget>(form, "folderList"), Qt::Key_Enter, QDialog::Accepted },
        { control<SphereButton>(form, "cancelButton"), Qt::Key_Return, QDialog::Rejected },
        { control<SphereButton>(form, "okButton"), Qt::Key_Space, QDialog::Accepted },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.target->metaObject()->className());
        control<QListWidget>(form, "folderList")->setCurrentRow(0); // ".."
        QTimer::singleShot(0, &form, [&] {
            each.target->setFocus();
            QTest::keyClick(each.target, each.key);
        });
        EXPECT_EQ(form.exec(), each.result);
        EXPECT_EQ(form.directory(), path());
    }
}

TEST_F(FolderChooserTest, ATypedFolderIsTakenAsTypedAndAMissingOneIsRefusedVisibly)
{
    FolderChooser form;
    form.show();
    form.setDirectory(path("another"));
    const QString typed = path("My Présets") + "/";
    control<QLineEdit>(form, "pathField")->setText(typed);
    QTest::keyClick(control<QLineEdit>(form, "pathField"), Qt::Key_Return);
    EXPECT_FALSE(form.pathRefused());
    EXPECT_EQ(form.directory(), typed) << "a trailing slash stays";
    EXPECT_EQ(lines(*control<QListWidget>(form, "folderList")), QStringList({ "..", "inner" }));

    const QColor ground = control<QLineEdit>(form, "pathField")->palette().color(QPalette::Base);
    control<QLineEdit>(form, "pathField")->setText(path("nowhere"));
    QTest::keyClick(control<QLineEdit>(form, "pathField"), Qt::Key_Return);
    EXPECT_TRUE(form.pathRefused());
    EXPECT_NE(control<QLineEdit>(form, "pathField")->palette().color(QPalette::Base), ground) << "the refusal shows";
    EXPECT_EQ(form.directory(), typed);
    EXPECT_EQ(lines(*control<QListWidget>(form, "folderList")), QStringList({ "..", "inner" }));
    EXPECT_EQ(control<QLineEdit>(form, "pathField")->text(), path("nowhere")) << "the typed text is left to correct";

    QTest::keyClick(control<QLineEdit>(form, "pathField"), Qt::Key_Backspace);
    EXPECT_FALSE(form.pathRefused()) << "editing clears the mark";

    control<QLineEdit>(form, "pathField")->setText("inner");
    QTest::keyClick(control<QLineEdit>(form, "pathField"), Qt::Key_Return);
    EXPECT_EQ(form.directory(), path("My Présets/inner")) << "relative to the folder shown";
}

TEST_F(FolderChooserTest, APressOutsideTheControlsMovesTheWindow)
{
    FolderChooser form;
    form.show();
    QApplication::processEvents();
    const QPoint start = form.pos();
    QTest::mousePress(&form, Qt::LeftButton, {}, QPoint(5, 200));
    QTest::mouseMove(&form, QPoint(45, 230));
    QTest::mouseRelease(&form, Qt::LeftButton, {}, QPoint(45, 230));
    EXPECT_EQ(form.pos(), start + QPoint(40, 30));

    // A press on the list does not move the window.
    const QPoint placed = form.pos();
    QTest::mousePress(control<QListWidget>(form, "folderList")->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(control<QListWidget>(form, "folderList")->viewport(), QPoint(60, 60));
    QTest::mouseRelease(control<QListWidget>(form, "folderList")->viewport(), Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_EQ(form.pos(), placed);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
