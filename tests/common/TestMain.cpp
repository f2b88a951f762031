#include <gtest/gtest.h>

#include <QApplication>

// Every test executable runs with an application object so queued calls, timers and widgets work.
// Widgets are drawn on the offscreen platform unless a test run says otherwise.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    if (qEnvironmentVariableIsEmpty("TZ")) qputenv("TZ", "Asia/Ho_Chi_Minh");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
