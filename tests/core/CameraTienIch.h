#pragma once

#include <QCoreApplication>
#include "common/ChoDen.h"
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <functional>

// Shared by the camera tests: waiting for the GUI thread, and ffprobe as the judge of written files.
namespace camera_test {

using ::choDen;

inline void chayHangCho(int ms = 50) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

inline QImage khungMau(int rong, int cao, QRgb mau) {
    QImage a(rong, cao, QImage::Format_RGB32);
    a.fill(mau);
    return a;
}

struct KetQuaProbe {
    bool chayDuoc = false;
    int soLuong = 0;
    int soLuongVideo = 0;
    QString codec, profile;
    int rong = 0, cao = 0;
    int soKhung = -1;
    double thoiLuong = -1;
};

inline KetQuaProbe ffprobe(const QString& tep) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
             QStringLiteral("-show_entries"),
             QStringLiteral("stream=codec_type,codec_name,profile,width,height,nb_read_frames:format=duration"),
             QStringLiteral("-of"), QStringLiteral("json"), tep});
    KetQuaProbe kq;
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return kq;
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    kq.chayDuoc = true;
    const auto luong = o.value(QStringLiteral("streams")).toArray();
    kq.soLuong = int(luong.size());
    for (const auto& v : luong) {
        const QJsonObject s = v.toObject();
        if (s.value(QStringLiteral("codec_type")).toString() != QLatin1String("video")) continue;
        ++kq.soLuongVideo;
        kq.codec = s.value(QStringLiteral("codec_name")).toString();
        kq.profile = s.value(QStringLiteral("profile")).toString();
        kq.rong = s.value(QStringLiteral("width")).toInt();
        kq.cao = s.value(QStringLiteral("height")).toInt();
        kq.soKhung = s.value(QStringLiteral("nb_read_frames")).toString().toInt();
    }
    kq.thoiLuong = o.value(QStringLiteral("format")).toObject().value(QStringLiteral("duration")).toString().toDouble();
    return kq;
}

}  // namespace camera_test
