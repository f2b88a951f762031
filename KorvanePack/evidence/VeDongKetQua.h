#pragma once

#include <QStyledItemDelegate>

struct BanGhiVideo;
class QListWidgetItem;

// Draws one result row of the lookup list: the returns badge, the code over the customer, the length over
// the size, and the keep-forever star. Rows are painted rather than built from widgets so a search over tens
// of thousands of videos lists at once; colours are resolved while painting, so they follow the appearance.
class VeDongKetQua : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum VaiTro {
        vaiId = Qt::UserRole,
        vaiHoan,
        vaiMa,
        vaiKhach,
        vaiThoiLuong,
        vaiKichThuoc,
        vaiSao,
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    // Puts everything a row shows into the item, under the roles above.
    static void dienMuc(QListWidgetItem& muc, const BanGhiVideo& bg);

    void paint(QPainter* p, const QStyleOptionViewItem& tuyChon, const QModelIndex& chiSo) const override;
    QSize sizeHint(const QStyleOptionViewItem& tuyChon, const QModelIndex& chiSo) const override;
};
