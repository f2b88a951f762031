#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/QuyenCamera.h"

namespace {
// Each entry is a "video*" name in the device folder: a file that opens, a node that refuses to open for
// reading and writing (a read-only kernel attribute refuses even the superuser), or one that has vanished.
enum class Loai { moDuoc, tuChoi, daMat };

void tao(const QTemporaryDir& thuMuc, const QString& ten, Loai loai) {
    const QString duong = thuMuc.filePath(ten);
    switch (loai) {
        case Loai::moDuoc: {
            QFile f(duong);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            break;
        }
        case Loai::tuChoi:
            ASSERT_TRUE(QFile::link("/sys/devices/system/cpu/online", duong));
            break;
        case Loai::daMat:
            ASSERT_TRUE(QFile::link(thuMuc.filePath("khong-co"), duong));
            break;
    }
}

TEST(QuyenCamera, DocTuQuyenMoThietBi) {
    struct Ca {
        const char* ten;
        QList<std::pair<const char*, Loai>> thietBi;
        int mongDoi;
    };
    const Ca cac[] = {
        {"khongCoThietBi", {}, 3},
        {"moDuoc", {{"video0", Loai::moDuoc}}, 3},
        {"tuChoi", {{"video0", Loai::tuChoi}}, 2},
        {"tuChoiHet", {{"video0", Loai::tuChoi}, {"video1", Loai::tuChoi}}, 2},
        {"motCaiMoDuoc", {{"video0", Loai::tuChoi}, {"video1", Loai::moDuoc}}, 3},
        {"daMatKhongPhaiQuyen", {{"video0", Loai::daMat}}, 3},
        {"tenKhac", {{"audio0", Loai::tuChoi}}, 3},
    };
    for (const auto& c : cac) {
        QTemporaryDir thuMuc;
        for (const auto& [ten, loai] : c.thietBi) tao(thuMuc, QString::fromLatin1(ten), loai);
        EXPECT_EQ(static_cast<int>(QuyenCamera::doc(thuMuc.path())), c.mongDoi) << c.ten;
    }
    EXPECT_EQ(static_cast<int>(QuyenCamera::doc("/khong/co/thu/muc/nay")), 3);
}
}  // namespace
