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

    // The verdict shown; none while a check runs.
    const std::optional<QString>& ketQuaNhatKy() const { return ketQuaNhatKy_; }
    // Reads the whole journal on a worker thread: a year of a busy desk is seconds of work that would hold the
    // window. The button waits disabled meanwhile, so one check runs at a time; a call while one runs does nothing.
    void kiemTraNhatKy();
    bool dangKiemTra() const { return dangKiemTra_; }

signals:
    // A check's verdict is shown.
    void daKiemTraXong();

public:
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
    bool dangKiemTra_ = false;
    QPushButton* nutKiemTra_ = nullptr;
    QLabel* giaTriDaNap_ = nullptr;
    NhanMau* chuKetQua_ = nullptr;
};
