#include "core/NenTangCameraV4l2.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "core/NguonKhungFFmpeg.h"

namespace {

int xioctl(int fd, unsigned long yeuCau, void* arg) {
    int r;
    do r = ioctl(fd, yeuCau, arg);
    while (r < 0 && errno == EINTR);
    return r;
}

QString fourcc(uint32_t v) {
    char c[5] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char((v >> 24) & 0xff), 0};
    return QString::fromLatin1(c).trimmed();
}

// The symlinks udev makes under /dev/v4l name a device by its USB identity (by-id) or its port
// (by-path); either survives a reboot, unlike the /dev/videoN number.
QString idOnDinh(const QString& nut) {
    const QString canon = QFileInfo(nut).canonicalFilePath();
    for (const char* thuMuc : {"/dev/v4l/by-id", "/dev/v4l/by-path"}) {
        QDir d(QString::fromLatin1(thuMuc));
        const auto ds = d.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& fi : ds)
            if (fi.canonicalFilePath() == canon) return fi.absoluteFilePath();
    }
    return nut;
}

QList<DinhDangCamera> docDinhDang(int fd) {
    QList<DinhDangCamera> ds;
    v4l2_fmtdesc fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (fmt.index = 0; xioctl(fd, VIDIOC_ENUM_FMT, &fmt) == 0; ++fmt.index) {
        v4l2_frmsizeenum kt{};
        kt.pixel_format = fmt.pixelformat;
        for (kt.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &kt) == 0; ++kt.index) {
            if (kt.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                ds.append({fourcc(fmt.pixelformat), int(kt.discrete.width), int(kt.discrete.height)});
            } else {
                // A stepwise range: its largest size stands for it.
                ds.append({fourcc(fmt.pixelformat), int(kt.stepwise.max_width), int(kt.stepwise.max_height)});
                break;
            }
        }
    }
    return ds;
}

// Continuous auto-focus and auto-exposure where the camera has them: a packing desk's light changes
// through the day and parcels come at different distances. A camera without these controls, or one
// that refuses them, keeps its own modes.
void batTuDong(const QString& nut) {
    int fd = ::open(nut.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    v4l2_control c{};
    c.id = V4L2_CID_FOCUS_AUTO;
    c.value = 1;
    xioctl(fd, VIDIOC_S_CTRL, &c);
    // UVC cameras mostly offer only aperture priority as their automatic exposure mode
    for (int che : {V4L2_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY}) {
        c.id = V4L2_CID_EXPOSURE_AUTO;
        c.value = che;
        if (xioctl(fd, VIDIOC_S_CTRL, &c) == 0) break;
    }
    ::close(fd);
}

}  // namespace

QList<ThietBiCamera> NenTangCameraV4l2::timThietBi() {
    QList<ThietBiCamera> ds;
    QDir dev(QStringLiteral("/dev"));
    QStringList nut = dev.entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    std::sort(nut.begin(), nut.end(),
              [](const QString& a, const QString& b) { return a.mid(5).toInt() < b.mid(5).toInt(); });
    for (const QString& ten : nut) {
        const QString duongDan = QStringLiteral("/dev/") + ten;
        int fd = ::open(duongDan.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        v4l2_capability cap{};
        if (xioctl(fd, VIDIOC_QUERYCAP, &cap) == 0) {
            uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
            // UVC cameras also expose a metadata node; only nodes that capture pictures count.
            if ((caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING)) {
                ThietBiCamera tb;
                tb.duongDan = duongDan;
                tb.id = idOnDinh(duongDan);
                tb.ten = QString::fromUtf8(reinterpret_cast<const char*>(cap.card)).trimmed();
                if (tb.ten.isEmpty()) tb.ten = duongDan;
                tb.dinhDang = docDinhDang(fd);
                ds.append(tb);
            }
        }
        ::close(fd);
    }
    return ds;
}

std::unique_ptr<NguonKhung> NenTangCameraV4l2::moThietBi(const ThietBiCamera& tb, const DinhDangCamera& dd,
                                                         QString& loi) {
    QMap<QString, QString> tc;
    if (dd.rong > 0 && dd.cao > 0) tc[QStringLiteral("video_size")] = QStringLiteral("%1x%2").arg(dd.rong).arg(dd.cao);
    if (dd.maHoa == QLatin1String("MJPG"))
        tc[QStringLiteral("input_format")] = QStringLiteral("mjpeg");
    else if (dd.maHoa == QLatin1String("YUYV"))
        tc[QStringLiteral("input_format")] = QStringLiteral("yuyv422");
    auto nguon = NguonKhungFFmpeg::mo(QStringLiteral("v4l2"), tb.duongDan, tc, false, tb.ten, loi);
    if (nguon) batTuDong(tb.duongDan);
    return nguon;
}

std::unique_ptr<NguonKhung> NenTangCameraV4l2::moDoThi(const QString& doThi, QString& loi) {
    return NguonKhungFFmpeg::mo(QStringLiteral("lavfi"), doThi, {}, true, QStringLiteral("Nguồn thử: ") + doThi, loi);
}
