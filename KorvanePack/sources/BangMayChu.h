#pragma once

#include <QString>

// Where each platform lives: the one table of hosts. Tests point every client at a fake platform on
// 127.0.0.1 through it; the transport accepts plain http only for loopback hosts, so no other
// value can send a credential unencrypted.
struct BangMayChu {
    QString haravanGoc;     // API base, paths are appended ("/orders.json")
    QString kiotVietToken;  // token endpoint
    QString kiotVietApi;
    QString sapoMau;  // "%1" takes the shop name
    QString pancakeGoc;
    QString nhanhGoc;

    static BangMayChu macDinh();
    // Every platform under one base, each in a folder of its own: the tests' fake platforms.
    static BangMayChu tatCaVe(const QString& goc);
    // The platforms the application talks to: the real hosts, unless KORVANE_MAY_CHU_THU names a
    // loopback http base for a whole-path run against a fake platform on this machine.
    static BangMayChu hienHanh();
};
