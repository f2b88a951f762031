#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

#include "store/BanGhiVideo.h"
#include "store/DonHang.h"
#include "store/NhatKy.h"

class DongHo;
class QObject;
class NguonKhungHinh;

// The evidence dossier a shop hands over in a dispute: a self-contained page beside a copy of the video.
// Nothing here keeps state between exports.
class HoSoBangChung {
public:
    struct KetQua {
        QString thuMuc;
        bool coVideo = false;
        int soKhungHinh = 0;
    };

    class Loi : public std::exception {
    public:
        enum class Loai { khongTaoDuocThuMuc, khongCoFile, khongGhiDuocTrang };
        Loi(Loai loai, QString chiTiet = {});
        Loai loai() const { return loai_; }
        // The text the caller shows as it stands.
        QString moTa() const;
        const char* what() const noexcept override { return utf8_.constData(); }

    private:
        Loai loai_;
        QString chiTiet_;
        QByteArray utf8_;
    };

    struct KhungHinh {
        QByteArray jpeg;
        double giay = 0;  // where the frame actually sits in the video, not where it was asked for
    };

    // What the journal check found: intact with its line count, broken at a line, or unreadable.
    using KetQuaNhatKy = NhatKy::KetQuaKiemTra;

    static constexpr double cacMoc[6] = {0.04, 0.22, 0.40, 0.58, 0.76, 0.96};

    // Runs on a worker thread: it reads and copies the whole video. Throws Loi.
    static KetQua xuat(const BanGhiVideo& banGhi, const std::optional<DonHang>& don, const QString& tenShop,
                       const QString& thuMucGoc, bool chepVideo, const std::optional<KetQuaNhatKy>& nhatKy,
                       const QString& maMay, NguonKhungHinh& nguon, const DongHo& dongHo);

    // The export as the lookup screen starts it: on a worker thread, with frames from the file itself and the
    // system clock, the journal checked there first up to its snapshot; `khiXong` runs on the GUI thread with
    // the result or the error text, and not at all once `nguoiNhan` (a GUI-thread object, the screen) is gone.
    using KhiXong = std::function<void(std::optional<KetQua> ketQua, QString loi)>;
    static void xuatNen(BanGhiVideo banGhi, std::optional<DonHang> don, QString tenShop, QString thuMucGoc,
                        bool chepVideo, std::optional<NhatKy::AnhKiemTra> nhatKy, QString maMay,
                        QObject* nguoiNhan, KhiXong khiXong);

    static std::vector<KhungHinh> trichKhungHinh(const QString& tepVideo, NguonKhungHinh& nguon);

    static QString tenThuMuc(const BanGhiVideo& banGhi, const DongHo& dongHo);

    static QString taoHtml(const BanGhiVideo& banGhi, const std::optional<DonHang>& don, const QString& tenShop,
                           const std::vector<KhungHinh>& khung, const QString& vanTayHienTai, bool trungVanTay,
                           bool coVideo, const std::optional<KetQuaNhatKy>& nhatKy, const QString& maMay,
                           const QString& gioTaoFile, const DongHo& dongHo);

    static QString thoatHtml(const QString& s);
    // A value from outside as it goes into the page: escaped, its direction controls balanced, and isolated so
    // that nothing in it moves or reverses the page's own text around it.
    static QString coLap(const QString& giaTri);
    // A row of the program's own value; dongBangNgoai isolates a value from outside; dongBangHtml takes a value
    // already written as HTML.
    static QString dongBang(const QString& nhan, const QString& giaTri, bool mono);
    static QString dongBangNgoai(const QString& nhan, const QString& giaTri, bool mono);
    static QString dongBangHtml(const QString& nhan, const QString& htmlGiaTri, bool mono);
    static QString khungHinhHtml(int thuTu, const QByteArray& jpeg, double giay, int tong);
    static QString dongSanPham(const MatHang& mh);
    static QString dongTinhTrang(const QString& id);
};
