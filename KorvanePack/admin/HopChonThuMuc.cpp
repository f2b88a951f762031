#include "admin/HopChonThuMuc.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace {
// The chooser's date column in our own numeric form: Qt writes it in the system locale's short form, which on a
// machine left at the C locale names the month in English.
class MoHinhNgayVietNam : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& chiSo, int vaiTro) const override {
        static constexpr int kCotNgaySua = 3;
        if (vaiTro == Qt::DisplayRole && chiSo.column() == kCotNgaySua) {
            if (const auto* tep = qobject_cast<const QFileSystemModel*>(sourceModel())) {
                const QDateTime luc = tep->lastModified(mapToSource(chiSo));
                return luc.isValid() ? QLocale::c().toString(luc, QStringLiteral("dd/MM/yyyy HH:mm")) : QString();
            }
        }
        return QIdentityProxyModel::data(chiSo, vaiTro);
    }
};
}  // namespace

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
    // Qt's own chooser, whose words are ours (the translation installed with the program): the desktop's
    // chooser would speak whatever language the desktop was set up in.
    hop->setOption(QFileDialog::DontUseNativeDialog, true);
    hop->setProxyModel(new MoHinhNgayVietNam(hop));
    hop->setFileMode(QFileDialog::Directory);
    // Qt's default size and column widths are too small for the Vietnamese captions and a whole date.
    hop->resize(880, 540);
    if (auto* cot = hop->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        for (int c = 1; c < 4; ++c) cot->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
        cot->header()->resizeSection(0, 360);
    }
    hop->setOption(QFileDialog::ShowDirsOnly, true);
    hop->setLabelText(QFileDialog::Accept, QStringLiteral("Chọn"));
    hop->setLabelText(QFileDialog::Reject, QStringLiteral("Huỷ"));
    hop->setLabelText(QFileDialog::LookIn, QStringLiteral("Tìm trong:"));
    hop->setLabelText(QFileDialog::FileName, QStringLiteral("Thư mục:"));
    hop->setLabelText(QFileDialog::FileType, QStringLiteral("Loại:"));
    return hop;
}
