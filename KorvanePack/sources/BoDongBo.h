#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

#include "core/CongDongBo.h"
#include "core/HenGio.h"
#include "sources/AnBiMat.h"
#include "sources/BoNguThat.h"
#include "sources/KenhGhiGio.h"
#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"
#include "sources/TaoNguonDon.h"

class CaiDat;
class HangDoiTuanTu;
class KhoDuLieu;

// Keeps the store's orders in step with the chosen platform: one run at start, then one a minute. It
// lives on the GUI thread and owns every field it publishes; the client's network work and the append
// of a fetch to disk run on a worker thread, and their results come back queued. Closing the
// application cancels every wait and request in flight, so quitting never waits on the network.
class BoDongBo final : public CongDongBo {
    Q_OBJECT
    Q_PROPERTY(bool dangChay READ dangChay NOTIFY dangChayChanged)
    Q_PROPERTY(QString trangThai READ trangThai NOTIFY trangThaiChanged)
    Q_PROPERTY(QDateTime lanCuoi READ lanCuoi NOTIFY lanCuoiChanged)
    Q_PROPERTY(qint64 soDonLanCuoi READ soDonLanCuoi NOTIFY soDonLanCuoiChanged)
    Q_PROPERTY(QString loi READ loi NOTIFY loiChanged)
    Q_PROPERTY(QStringList nhatKy READ nhatKy NOTIFY nhatKyChanged)
    Q_PROPERTY(QString mauTho READ mauTho NOTIFY mauThoChanged)

public:
    using TaoNguon =
        std::function<std::unique_ptr<NguonDon>(const QString& nguon, const DocKhoa& doc, const MoiTruongNguon& mt)>;

    struct CauHinh {
        DongHo* dongHo = &DongHo::heThong();
        HenGio* henGio = nullptr;        // the system timer when none is given
        std::shared_ptr<KenhHTTP> kenh;  // libcurl when none is given
        BangMayChu mayChu = BangMayChu::hienHanh();
        std::chrono::milliseconds thoiGianCho{30'000};
        std::chrono::milliseconds khoangLap{60'000};
        TaoNguon taoNguon = taoNguonDon;
    };

    static inline const QString khoaMoc = QStringLiteral("korvane.mocDongBo");
    // The platform the stored cursor belongs to; a cursor of another platform counts as none.
    static inline const QString khoaNguonMoc = QStringLiteral("korvane.mocDongBoNguon");
    // The last lock a platform named, kept so that a restart during it sends nothing either: the platform,
    // and the lock's end as an internet date-time (rounded up to the second).
    static inline const QString khoaNguonBiChan = QStringLiteral("korvane.nguonBiChan");
    static inline const QString khoaChanDen = QStringLiteral("korvane.chanDen");
    static constexpr int kSoDongNhatKy = 60;
    static constexpr qint64 kGiayChongLap = 120;
    static constexpr qint64 kGiay30Ngay = 2'592'000;
    // The shortest window a narrowed fetch asks for; it must outlast the overlap for the cursor to move on.
    static constexpr qint64 kKhoangHepToiThieu = 300;
    // A desk clock this far from the platform's is said in the activity list: it is also the clock burnt into
    // every video's caption.
    static constexpr qint64 kGiayLechBao = 60;
    // How far past the desk's now the clients without an end of their own close a window.
    static constexpr qint64 kGiayQuaHienTai = 3'600;
    // Orders indexed per turn of the GUI thread's event loop, and about the longest such a turn takes.
    static constexpr qsizetype kLoChiMuc = 500;
    static constexpr std::chrono::milliseconds kNganChiMuc{4};

    BoDongBo(KhoDuLieu& kho, CaiDat& caiDat, QObject* parent = nullptr);
    BoDongBo(KhoDuLieu& kho, CaiDat& caiDat, CauHinh cauHinh, QObject* parent = nullptr);
    ~BoDongBo() override;

    bool dangChay() const override { return dangChay_; }
    QString trangThai() const override { return trangThai_; }
    // Invalid while there is no cursor.
    QDateTime lanCuoi() const { return lanCuoi_; }
    qint64 soDonLanCuoi() const { return soDonLanCuoi_; }
    QString loi() const override { return loi_; }
    QStringList nhatKy() const override { return nhatKy_; }
    QString mauTho() const override { return mauTho_; }

    // Starts the loop unless it runs already: a run now, then one each interval after the previous ended.
    void batDau() override;
    void dongBo(bool lay30Ngay, std::function<void()> xong = {}) override;
    void thuKetNoi(std::function<void(const QString&)> xong) override;

    // The from-time of a run: cursor minus two minutes, or 30 days back without a cursor of the chosen
    // platform.
    QDateTime mocBatDau(bool lay30Ngay) const;
    // The newest parsable updatedAt among the orders; invalid when none parses.
    static QDateTime mocMoiNhat(const QList<DonHang>& cacDon);

signals:
    void lanCuoiChanged();
    void soDonLanCuoiChanged();

private:
    struct KetQuaLuot;

    // Reads the source's credentials on a worker, then builds or reuses the client on the GUI thread.
    void layClient(const QString& nguon, std::function<void(std::shared_ptr<NguonDon>)> xong);
    std::shared_ptr<NguonDon> taoClient(const QString& nguon, const QHash<QString, std::optional<QString>>& daDoc);
    void batDauLuot(const QString& nguon, const std::shared_ptr<NguonDon>& client, bool lay30Ngay,
                    std::function<void()> xong);
    void thuKetNoiVoi(const QString& nguon, const std::shared_ptr<NguonDon>& client,
                      std::function<void(const QString&)> xong);
    void ketThucLuot(const std::shared_ptr<KetQuaLuot>& kq);
    void lapChiMuc(const std::shared_ptr<KetQuaLuot>& kq);
    void hoanTatLuot(const std::shared_ptr<KetQuaLuot>& kq);
    void boLoTrenLuong(const std::shared_ptr<KetQuaLuot>& kq);
    void ghiNhatKy(const QString& text);
    void chayVong();
    // Why the source may not be called now (its lock has not ended), or nothing when it may.
    std::optional<QString> lyDoChan(const QString& nguon) const;
    void datChan(const QString& nguon, const std::optional<std::chrono::system_clock::time_point>& den);

    void datDangChay(bool v);
    void datTrangThai(const QString& v);
    void datLoi(const QString& v);
    void datMauTho(const QString& v);
    void datLanCuoi(const QDateTime& v);
    QDateTime mocBatDau(bool lay30Ngay, const QString& nguon) const;
    // Whether the stored cursor is another platform's: it then says nothing about nguon's orders.
    bool mocCuaNguonKhac(const QString& nguon) const {
        return lanCuoi_.isValid() && !nguonMoc_.isEmpty() && nguonMoc_ != nguon;
    }
    QDateTime mocMoiSauLuot(const KetQuaLuot& kq);
    // The moment before the fetch's first request, on the platform's clock as far as its replies tell.
    static QDateTime mocNenTang(const KetQuaLuot& kq);
    void baoLechGio(const KetQuaLuot& kq);
    QString an(const QString& text) const;

    KhoDuLieu& kho_;
    CaiDat& caiDat_;
    CauHinh ch_;
    BoNguThat ngu_;
    std::shared_ptr<KenhGhiGio> kenhGhi_;
    MoiTruongNguon mt_;

    bool dangChay_ = false;
    bool dangDocKhoa_ = false;  // a run is waiting for its credentials; another run must not start
    QString trangThai_ = QStringLiteral("Chưa đồng bộ lần nào.");
    QDateTime lanCuoi_;
    QString nguonMoc_;  // empty for a cursor stored before the platform was kept with it
    // A window that a capped fetch out of update order could not cover is asked for in parts this long;
    // 0 while windows reach to now.
    qint64 khoangHep_ = 0;
    qint64 soDonLanCuoi_ = 0;
    QString loi_;
    QStringList nhatKy_;
    QString mauTho_;

    std::shared_ptr<NguonDon> client_;
    QByteArray vanTayKhoa_;
    BoAnKhoa anKhoa_;
    bool vongLap_ = false;
    HenGio::MaHen henTiep_ = 0;
    std::function<void()> xongLuot_;
    // The last lock a platform named: neither a run nor a connection test calls that source before it ends.
    QString nguonBiChan_;
    std::chrono::system_clock::time_point chanDen_{};

    // Last, so they are gone (their threads joined) before anything their tasks use.
    std::unique_ptr<HangDoiTuanTu> hangDongBo_;
    std::unique_ptr<HangDoiTuanTu> hangThuKetNoi_;
};
