#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "PhienBan.h"
#include "admin/TheMuc.h"
#include "store/KhoDuLieu.h"

class NhanMau;
class QLabel;
class QPushButton;

// The "Phần mềm" card: which build runs, which data folder the store was opened on, how much it loaded, and
// the check of the journal's hash chain, whose verdict stays shown until the next check.
class MucPhanMem : public TheMuc {
    Q_OBJECT
public:
    using MoThuMuc = std::function<void(const QString& duongDan)>;

    // Shows the folder the store was opened on, not the setting as it stands now.
    explicit MucPhanMem(const KhoDuLieu& kho, MoThuMuc moThuMuc = {}, QWidget* parent = nullptr);

    // "Korvane Zize " + version + " (" + build + ")"; an empty version or build reads "1.0" and "1".
    static QString chuPhienBan(const QString& phienBan = QStringLiteral(KORVANE_VERSION),
                               const QString& banDung = QStringLiteral(KORVANE_BUILD));
    static QString chuKetQua(const NhatKy::KetQuaKiemTra& kq);
    static QString chuDaNap(qsizetype soDon, qsizetype soVideo);

    const std::optional<QString>& ketQuaNhatKy() const { return ketQuaNhatKy_; }
    void kiemTraNhatKy();
    // Reads the counts again: the store is not observable, so the card shows them as of its last drawing.
    void lamMoiSoLuong();

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QWidget* dongThongTin(const QString& nhan, const QString& giaTri, bool donCach, QLabel** oGiaTri);

    const KhoDuLieu& kho_;
    QString thuMucGoc_;
    MoThuMuc moThuMuc_;
    std::optional<QString> ketQuaNhatKy_;
    QLabel* giaTriDaNap_ = nullptr;
    NhanMau* chuKetQua_ = nullptr;
};
