#pragma once

#include <QString>

#include "core/TrangThaiApp.h"

// Camera access on Linux is the permission to open the video device nodes. Granted when a device opens
// for reading and writing or when there is none (the engine then reports the missing webcam itself);
// denied when devices exist and every one refuses with a permission error. Nothing is ever asked, so
// "not determined" never comes out of here.
class QuyenCamera {
public:
    // thuMucThietBi is where the device nodes live: "/dev" on a real system.
    static TrangThaiApp::QuyenCamera doc(const QString& thuMucThietBi = QStringLiteral("/dev"));
};
