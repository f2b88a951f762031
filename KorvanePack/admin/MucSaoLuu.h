#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

#include "admin/TheMuc.h"
#include "core/CongSaoLuu.h"

class CaiDat;
class KhoDuLieu;
class NhanMau;
class NhanRutGon;
class QProgressBar;
class QPushButton;

// The "Sao lưu" card: the second folder every new video is copied to, the reason a folder is refused or copies
// nothing, and the catch-up copy of everything. A refusal lives as long as the card.
class MucSaoLuu : public TheMuc {
    Q_OBJECT
public:
    // The folder the owner picked, none when they cancelled; it opens at the folder set now.
    using ChonThuMuc = std::function<std::optional<QString>(QWidget* cha, const QString& hienTai)>;

    MucSaoLuu(const KhoDuLieu& kho, CongSaoLuu* saoLuu, CaiDat& caiDat, ChonThuMuc hopChon, QWidget* parent = nullptr);

    static inline const QString kKhongThayOSaoLuu =
        QStringLiteral("Không thấy ổ sao lưu ở thư mục này (thiếu tệp đánh dấu ") +
        QLatin1String(CongSaoLuu::kTenTepDanhDau) +
        QStringLiteral("), nên video mới chưa được chép. Cắm lại ổ rồi mở lại Cài đặt, hoặc bấm Chọn… để chọn lại "
                       "thư mục.");

    const std::optional<QString>& loiSaoLuu() const { return loiSaoLuu_; }

    void khiHienRa();
    void chonThuMuc();
    // Refuses a folder that overlaps the data folder or cannot take the marker; the card says why.
    void chonThuMucSaoLuu(const QString& duongDan);
    // Says at once when a data folder just chosen and the backup folder overlap.
    void khiChonThuMucGoc(const QString& thuMucGoc);
    void tatSaoLuu();
    void saoLuuBu();

private:
    void kiemTraThuMucSaoLuu();
    // Looks at the backup folder again and names what it finds, unless the card shows a refusal of its own.
    void xemLaiThuMuc();
    void capNhat();

    const KhoDuLieu& kho_;
    QPointer<CongSaoLuu> saoLuu_;
    CaiDat& caiDat_;
    ChonThuMuc chonThuMuc_;
    std::optional<QString> loiSaoLuu_;
    // loiSaoLuu_ says what the last look at the folder found, not why a choice was refused.
    bool loiTuThuMuc_ = false;

    NhanRutGon* chuThuMucSaoLuu_ = nullptr;
    QPushButton* nutTatSaoLuu_ = nullptr;
    NhanMau* chuLoiSaoLuu_ = nullptr;
    QPushButton* nutSaoLuuBu_ = nullptr;
    QProgressBar* quaySaoLuu_ = nullptr;
    NhanMau* chuTrangThaiSaoLuu_ = nullptr;
};
