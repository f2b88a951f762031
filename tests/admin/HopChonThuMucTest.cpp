#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <memory>

#include "admin/HopChonThuMuc.h"

namespace {

// The chooser starts at the folder now set, or at the nearest one above it that still exists; a setting
// that names no folder on this machine starts it at home.
TEST(HopChonThuMuc, BatDauOThuMucGanNhatConTonTai) {
    QTemporaryDir tam;
    const QString coThat = tam.filePath("Korvane Zize");
    ASSERT_TRUE(QDir().mkpath(coThat));
    QFile tep(tam.filePath("tep"));
    ASSERT_TRUE(tep.open(QIODevice::WriteOnly));
    tep.close();
    struct Ca {
        QString hienTai;
        QString batDau;
    };
    const Ca ca[] = {
        {coThat, coThat},
        {coThat + "/", coThat},
        {coThat + "/da xoa/sau hon", coThat},
        {tam.filePath("tep"), tam.path()},
        {tam.filePath("tep/khong the"), tam.path()},
        {"", QDir::homePath()},
        {"tuong-doi/thu-muc", QDir::homePath()},
    };
    for (const Ca& x : ca) EXPECT_EQ(thuMucBatDau(x.hienTai), x.batDau) << x.hienTai.toStdString();
}

TEST(HopChonThuMuc, ChiChonThuMucVaNoiTiengViet) {
    QTemporaryDir tam;
    std::unique_ptr<QFileDialog> hop(taoHopChonThuMuc(nullptr, tam.filePath("chua co")));
    EXPECT_EQ(hop->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(hop->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(QDir(hop->directory()).absolutePath(), QDir(tam.path()).absolutePath());
    EXPECT_EQ(hop->labelText(QFileDialog::Accept), "Chọn");
    EXPECT_EQ(hop->labelText(QFileDialog::Reject), "Huỷ");
    EXPECT_EQ(hop->windowTitle(), "Chọn thư mục");
}
}  // namespace
