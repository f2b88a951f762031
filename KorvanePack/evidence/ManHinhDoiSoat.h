#pragma once

#include <QDateTime>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "core/BoSuaBanGhi.h"
#include "evidence/DoiSoat.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"

class DongHo;
class KhoDuLieu;
class NhanMau;
class QDateEdit;
class QVBoxLayout;

// The end-of-day check: for a chosen day, how many parcels were filmed, which orders created that day still
// have no packing video, which recent videos wait for an order (with a panel to attach one), and the daily
// counts of the last 30 days. It keeps only view state; the attach goes through the editor of saved records.
class ManHinhDoiSoat : public QWidget {
    Q_OBJECT
public:
    ManHinhDoiSoat(const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi, QWidget* parent = nullptr);
    ManHinhDoiSoat(const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi, const DongHo& dongHo, QWidget* parent = nullptr);

    const QDateTime& ngay() const { return doiSoat_.ngay; }
    void datNgay(const QDateTime& ngay);
    void homQua();
    void homNay();
    void tinhLai();
    const DoiSoat& doiSoat() const { return doiSoat_; }

    void batDauGan(const BanGhiVideo& video);
    void timDonGan();
    void ganVaoDon(const BanGhiVideo& video, const DonHang& don);
    const std::optional<BanGhiVideo>& dangGan() const { return dangGan_; }
    const QString& tuKhoaGan() const { return tuKhoaGan_; }
    void datTuKhoaGan(const QString& s);
    const QList<DonHang>& ketQuaGan() const { return ketQuaGan_; }

    // The code an order row shows: its first tracking number that has one, else its name, order number or id.
    static QString maHienThi(const DonHang& don);
    static qint64 soMon(const DonHang& don);

    // The figure labels of the four cards, in order, for tests and screenshots.
    QList<NhanMau*> soThe() const { return soThe_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    QWidget* taoDauTrang();
    QWidget* taoTheThongKe();
    QWidget* taoMuc(QVBoxLayout*& noiDung, NhanMau*& tieuDe);
    void veLai();
    void veChuaQuay();
    void veMoCoi();
    void veThongKe();
    void veKetQuaGan();
    void datTieuDe(NhanMau* nhan, const QString& chu);

    const KhoDuLieu& kho_;
    QPointer<BoSuaBanGhi> suaBanGhi_;
    const DongHo& dongHo_;
    DoiSoat doiSoat_;
    std::optional<BanGhiVideo> dangGan_;
    QString tuKhoaGan_;
    QList<DonHang> ketQuaGan_;

    QDateEdit* chonNgay_ = nullptr;
    QList<NhanMau*> soThe_;
    NhanMau* tieuDeChuaQuay_ = nullptr;
    NhanMau* tieuDeMoCoi_ = nullptr;
    NhanMau* tieuDeThongKe_ = nullptr;
    QVBoxLayout* noiChuaQuay_ = nullptr;
    QVBoxLayout* noiMoCoi_ = nullptr;
    QVBoxLayout* noiThongKe_ = nullptr;
    QPointer<QLineEdit> oGan_;
    QPointer<QWidget> hopKetQuaGan_;
    bool dangDatNgay_ = false;
};
