#include <QApplication>

#include "KorvanePackApp.h"

int main(int argc, char** argv) {
    // The FFmpeg media backend reports our fragmented files' durations correctly; it must be chosen before
    // the application object exists.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane Zize"));
    QApplication::setDesktopFileName(QStringLiteral("korvane-zize"));
    KorvanePackApp ungDung;
    return ungDung.chay();
}
