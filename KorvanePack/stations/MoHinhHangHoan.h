#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <optional>

#include "core/BoSuaBanGhi.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"

class BoDieuPhoi;
class DongHo;
class KhoDuLieu;

// What the returns station holds while a parcel is handled, without its widgets: the search for the order it was
// sent under, the order chosen, the record just filmed and the declaration being filled in for it, with the serial
// verdict that declaration is judged by. Recording belongs to the coordinator and storing the declaration to the
// editor of saved records; this only decides what to ask them and when.
class MoHinhHangHoan : public QObject {
    Q_OBJECT
public:
    using KetQuaDoiChieu = BoSuaBanGhi::DoiChieuSerial;

    MoHinhHangHoan(BoDieuPhoi* dieuPhoi, const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi, DongHo& dongHo,
                   QObject* parent = nullptr);

    // The code a returns recording is filmed under, first that applies: the chosen order's first non-empty
    // tracking number, its non-empty order number, the keyword as typed, or "KHONG-DON".
    static QString maDeQuay(const std::optional<DonHang>& donChon, const QString& tuKhoa);
    // The code shown for a chosen order: first non-empty tracking number, else order number, else id.
    static QString maHienThiDon(const DonHang& don);

    // ---- search ----
    void datTuKhoa(const QString& v);
    // A code read by the camera becomes the keyword and is searched at once.
    void khiQuetMa(const std::optional<QString>& ma);
    void timDon();
    void chonDon(const DonHang& don);

    // ---- recording: each runs as its own main-thread task of the coordinator; nothing here waits on it ----
    void batDauQuay();
    void dungQuay();

    // ---- declaration ----
    void datLyDo(const QString& id);
    void datTinhTrang(const QString& id, bool bat);
    void datSerialNhanVe(const QString& v);
    void datGhiChu(const QString& v);
    void datXuLy(const QString& id);
    void luuToKhai();
    void kienTiepTheo();
    // Judged now against the order of the record being declared.
    KetQuaDoiChieu ketQuaDoiChieu() const;

    const QString& tuKhoa() const { return tuKhoa_; }
    const QList<DonHang>& ketQuaTim() const { return ketQuaTim_; }
    const std::optional<DonHang>& donChon() const { return donChon_; }
    // Text typed, nothing found and nothing chosen: the desk is told it may film anyway.
    bool khongThayDon() const { return !tuKhoa_.isEmpty() && ketQuaTim_.isEmpty() && !donChon_; }
    const std::optional<BanGhiVideo>& banGhiVuaQuay() const { return banGhiVuaQuay_; }
    const QString& lyDo() const { return lyDo_; }
    const QSet<QString>& tinhTrang() const { return tinhTrang_; }
    const QString& serialNhanVe() const { return serialNhanVe_; }
    const QString& ghiChu() const { return ghiChu_; }
    const QString& xuLy() const { return xuLy_; }
    bool daLuuKhai() const { return daLuuKhai_; }
    // The verdict as last judged, which is what the comparison line shows.
    const KetQuaDoiChieu& doiChieu() const { return doiChieu_; }

signals:
    // The keyword, the results or the choice changed.
    void timDoi();
    // The results were replaced by another search (or cleared).
    void ketQuaTimDoi();
    // The record being declared or any field of its declaration changed.
    void toKhaiDoi();
    // The serial verdict was judged again.
    void doiChieuDoi();

private:
    void moForm(const BanGhiVideo& banGhi);
    void lamMoiToKhai();
    void danhGiaDoiChieu();
    void danhDauSaiSerial(bool khop);

    QPointer<BoDieuPhoi> dieuPhoi_;
    const KhoDuLieu& kho_;
    QPointer<BoSuaBanGhi> suaBanGhi_;
    DongHo& dongHo_;

    QString tuKhoa_;
    QList<DonHang> ketQuaTim_;
    std::optional<DonHang> donChon_;
    std::optional<BanGhiVideo> banGhiVuaQuay_;
    QString lyDo_;
    QSet<QString> tinhTrang_;
    QString serialNhanVe_;
    QString ghiChu_;
    QString xuLy_;
    bool daLuuKhai_ = false;
    KetQuaDoiChieu doiChieu_{BoSuaBanGhi::KetLuanSerial::khongDoiChieu, {}};
    // The match flag of the comparison while it shows a match or a mismatch; none while nothing can be compared,
    // so the verdict's next appearance is not taken for a change.
    std::optional<bool> khopTruoc_;
};
