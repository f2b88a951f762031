#include "evidence/VeDongKetQua.h"

#include <QListWidgetItem>
#include <QPainter>
#include <QPainterPath>

#include "shell/BangMau.h"
#include "shell/PhongChu.h"
#include "store/BanGhiVideo.h"
#include "store/TienIch.h"

namespace {

constexpr int kLeNgang = 6;
constexpr int kLeDoc = 3;
constexpr int kKhoang = 10;
constexpr int kGiuaDong = 3;
constexpr int kRongToiThieu = 300;

const QString kChuHoan = QStringLiteral("HOÀN");
const QString kSao = QStringLiteral("★");

QFont phongHoan() {
    return phongChu(9.5, QFont::DemiBold, true);
}

}  // namespace

void VeDongKetQua::dienMuc(QListWidgetItem& muc, const BanGhiVideo& bg) {
    muc.setData(vaiId, bg.id);
    muc.setData(vaiHoan, bg.kind.value_or(QStringLiteral("pack")) == QStringLiteral("return"));
    muc.setData(vaiMa, bg.code);
    muc.setData(vaiKhach, bg.customerName.value_or(QStringLiteral("chưa gắn đơn")));
    muc.setData(vaiThoiLuong, hienThiPhutGiay(bg.durationSec));
    muc.setData(vaiKichThuoc, QString::asprintf("%.1f MB", double(bg.bytes) / 1048576.0));
    muc.setData(vaiSao, bg.giuMai());
    // Read out by assistive technology and used by the list's keyboard search.
    muc.setData(Qt::DisplayRole, bg.code);
}

QSize VeDongKetQua::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    const int cao = QFontMetrics(phongChu(13, QFont::Normal, true)).height() + kGiuaDong +
                    QFontMetrics(phongChu(12)).height() + 2 * kLeDoc + 4;
    // A fixed width below the column's minimum: the list stretches each row to its viewport. Echoing the row's
    // current width instead kept a row as wide as the widest the window had been, so after the window narrowed
    // the length and size at the row's right edge ran past the column.
    return QSize(kRongToiThieu, cao);
}

void VeDongKetQua::paint(QPainter* p, const QStyleOptionViewItem& tuyChon, const QModelIndex& chiSo) const {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    const QRectF o = tuyChon.rect;
    if (tuyChon.state & QStyle::State_Selected) {
        QPainterPath nen;
        nen.addRoundedRect(o.adjusted(1, 1, -1, -1), 6, 6);
        p->fillPath(nen, BangMau::mauXanhDuong.mau(0.26));
    } else if (tuyChon.state & QStyle::State_MouseOver) {
        QPainterPath nen;
        nen.addRoundedRect(o.adjusted(1, 1, -1, -1), 6, 6);
        p->fillPath(nen, BangMau::mauXanhDuong.mau(0.10));
    }

    const QRectF trong = o.adjusted(kLeNgang, kLeDoc + 2, -kLeNgang, -kLeDoc);
    double trai = trong.left();
    double phai = trong.right();

    if (chiSo.data(vaiHoan).toBool()) {
        const QFont f = phongHoan();
        const QFontMetricsF fm(f);
        const QRectF huy(trai, trong.top(), fm.horizontalAdvance(kChuHoan) + 10, fm.height() + 2);
        QPainterPath nen;
        nen.addRoundedRect(huy, 4, 4);
        p->fillPath(nen, BangMau::mauHoPhach.mau(0.20));
        p->setFont(f);
        p->setPen(BangMau::mauHoPhach.mau());
        p->drawText(huy, Qt::AlignCenter, kChuHoan);
        trai = huy.right() + kKhoang;
    }
    if (chiSo.data(vaiSao).toBool()) {
        const QFont f = phongChu(10);
        const double rong = QFontMetricsF(f).horizontalAdvance(kSao);
        p->setFont(f);
        p->setPen(BangMau::mauHoPhach.mau());
        p->drawText(QRectF(phai - rong, trong.top(), rong, QFontMetricsF(f).height()), Qt::AlignRight | Qt::AlignTop,
                    kSao);
        phai -= rong + kKhoang;
    }

    const QFont fDai = phongChu(12, QFont::Normal, true);
    const QFont fCo = phongChu(11);
    const QString dai = chiSo.data(vaiThoiLuong).toString();
    const QString co = chiSo.data(vaiKichThuoc).toString();
    const double rongPhai =
        std::max(QFontMetricsF(fDai).horizontalAdvance(dai), QFontMetricsF(fCo).horizontalAdvance(co));
    const double caoDai = QFontMetricsF(fDai).height();
    p->setFont(fDai);
    p->setPen(BangMau::mauChuChinh.mau());
    p->drawText(QRectF(phai - rongPhai, trong.top(), rongPhai, caoDai), Qt::AlignRight | Qt::AlignTop, dai);
    p->setFont(fCo);
    p->setPen(BangMau::mauChuPhu.mau());
    p->drawText(QRectF(phai - rongPhai, trong.top() + caoDai + kGiuaDong, rongPhai, QFontMetricsF(fCo).height()),
                Qt::AlignRight | Qt::AlignTop, co);
    phai -= rongPhai + kKhoang;

    const QFont fMa = phongChu(13, QFont::Normal, true);
    const QFont fKhach = phongChu(12);
    const double rongTrai = std::max(0.0, phai - trai);
    const double caoMa = QFontMetricsF(fMa).height();
    p->setFont(fMa);
    p->setPen(BangMau::mauChuChinh.mau());
    p->drawText(QRectF(trai, trong.top(), rongTrai, caoMa), Qt::AlignLeft | Qt::AlignTop,
                QFontMetricsF(fMa).elidedText(chiSo.data(vaiMa).toString(), Qt::ElideRight, rongTrai));
    p->setFont(fKhach);
    p->setPen(BangMau::mauChuPhu.mau());
    p->drawText(QRectF(trai, trong.top() + caoMa + kGiuaDong, rongTrai, QFontMetricsF(fKhach).height()),
                Qt::AlignLeft | Qt::AlignTop,
                QFontMetricsF(fKhach).elidedText(chiSo.data(vaiKhach).toString(), Qt::ElideRight, rongTrai));
    p->restore();
}
