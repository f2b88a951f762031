#include "admin/HopChonThuMuc.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString thuMucBatDau(const QString& hienTai) {
    if (!hienTai.isEmpty() && QDir::isAbsolutePath(hienTai)) {
        QString duong = QDir::cleanPath(hienTai);
        for (;;) {
            if (QFileInfo(duong).isDir()) return duong;
            const QString cha = QFileInfo(duong).path();
            if (cha == duong) break;
            duong = cha;
        }
    }
    return QDir::homePath();
}

QFileDialog* taoHopChonThuMuc(QWidget* cha, const QString& hienTai) {
    auto* hop = new QFileDialog(cha, QStringLiteral("Chọn thư mục"), thuMucBatDau(hienTai));
    hop->setFileMode(QFileDialog::Directory);
    hop->setOption(QFileDialog::ShowDirsOnly, true);
    hop->setLabelText(QFileDialog::Accept, QStringLiteral("Chọn"));
    hop->setLabelText(QFileDialog::Reject, QStringLiteral("Huỷ"));
    hop->setLabelText(QFileDialog::LookIn, QStringLiteral("Tìm trong:"));
    hop->setLabelText(QFileDialog::FileName, QStringLiteral("Thư mục:"));
    hop->setLabelText(QFileDialog::FileType, QStringLiteral("Loại:"));
    return hop;
}
