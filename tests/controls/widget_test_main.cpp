#include <gtest/gtest.h>

#include <QApplication>

// Widget tests run on Qt's offscreen platform; with OPAL_TEST_SCALE set, on a screen
// scaled by that factor.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef OPAL_TEST_SCALE
    qputenv("QT_SCALE_FACTOR", OPAL_TEST_SCALE);
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
