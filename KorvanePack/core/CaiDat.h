#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "core/KhoKhoa.h"

class HangDoiTuanTu;

// The one settings object of the application, on the GUI thread. Sixteen settings, each read once at creation
// from the INI store under "korvane." + its name and written back at once on every change; platform credentials
// in the keychain; the owner's PIN kept only as a salted digest.
class CaiDat final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString tenShop READ tenShop WRITE setTenShop NOTIFY tenShopChanged)
    Q_PROPERTY(QString thuMucGoc READ thuMucGoc WRITE setThuMucGoc NOTIFY thuMucGocChanged)
    Q_PROPERTY(QString cameraId READ cameraId WRITE setCameraId NOTIFY cameraIdChanged)
    Q_PROPERTY(QString doPhanGiai READ doPhanGiai WRITE setDoPhanGiai NOTIFY doPhanGiaiChanged)
    Q_PROPERTY(int bitrateKbps READ bitrateKbps WRITE setBitrateKbps NOTIFY bitrateKbpsChanged)
    Q_PROPERTY(int giayToiDa READ giayToiDa WRITE setGiayToiDa NOTIFY giayToiDaChanged)
    Q_PROPERTY(int giayToiThieu READ giayToiThieu WRITE setGiayToiThieu NOTIFY giayToiThieuChanged)
    Q_PROPERTY(bool ghiSerial READ ghiSerial WRITE setGhiSerial NOTIFY ghiSerialChanged)
    Q_PROPERTY(bool batTieng READ batTieng WRITE setBatTieng NOTIFY batTiengChanged)
    Q_PROPERTY(double amLuong READ amLuong WRITE setAmLuong NOTIFY amLuongChanged)
    Q_PROPERTY(int soNgayGiu READ soNgayGiu WRITE setSoNgayGiu NOTIFY soNgayGiuChanged)
    Q_PROPERTY(bool daCaiDatLanDau READ daCaiDatLanDau WRITE setDaCaiDatLanDau NOTIFY daCaiDatLanDauChanged)
    Q_PROPERTY(QString thuMucSaoLuu READ thuMucSaoLuu WRITE setThuMucSaoLuu NOTIFY thuMucSaoLuuChanged)
    Q_PROPERTY(QString maPinBam READ maPinBam WRITE setMaPinBam NOTIFY maPinBamChanged)
    Q_PROPERTY(QString nguonDon READ nguonDon WRITE setNguonDon NOTIFY nguonDonChanged)
    Q_PROPERTY(QString giaoDien READ giaoDien WRITE setGiaoDien NOTIFY giaoDienChanged)

public:
    // The keychain service under which an older layout kept the Haravan token.
    static inline const QString khoaTokenCu = QStringLiteral("com.korvane.pack.haravan-token");

    static constexpr int kSoNgayGiuToiThieu = 7;
    static constexpr int kSoNgayGiuToiDa = 3650;

    // The settings file at its fixed place and the desktop keyring.
    explicit CaiDat(QObject* parent = nullptr);
    // Another settings file and credential store (tests); no store given means the desktop keyring.
    CaiDat(const QString& tepCaiDat, std::shared_ptr<KhoKhoa> khoKhoa, QObject* parent = nullptr);
    ~CaiDat() override;

    // The one settings file: "KorvaneZize/korvane.ini" under the user's configuration folder.
    static QString duongDanTepMacDinh();
    // The stored appearance, read before any settings object exists so the first window opens in it.
    static QString docGiaoDienDaLuu(const QString& tepCaiDat = duongDanTepMacDinh());

    // The store the setters write to; the sync cursor and the fallback machine id live here too.
    QSettings& ud() { return ud_; }

    QString tenShop() const { return tenShop_; }
    QString thuMucGoc() const { return thuMucGoc_; }
    QString cameraId() const { return cameraId_; }
    QString doPhanGiai() const { return doPhanGiai_; }
    int bitrateKbps() const { return bitrateKbps_; }
    int giayToiDa() const { return giayToiDa_; }
    int giayToiThieu() const { return giayToiThieu_; }
    bool ghiSerial() const { return ghiSerial_; }
    bool batTieng() const { return batTieng_; }
    double amLuong() const { return amLuong_; }
    int soNgayGiu() const { return soNgayGiu_; }
    bool daCaiDatLanDau() const { return daCaiDatLanDau_; }
    QString thuMucSaoLuu() const { return thuMucSaoLuu_; }
    QString maPinBam() const { return maPinBam_; }
    QString nguonDon() const { return nguonDon_; }
    QString giaoDien() const { return giaoDien_; }

    void setTenShop(const QString& v);
    void setThuMucGoc(const QString& v);
    void setCameraId(const QString& v);
    void setDoPhanGiai(const QString& v);
    void setBitrateKbps(int v);
    void setGiayToiDa(int v);
    void setGiayToiThieu(int v);
    void setGhiSerial(bool v);
    void setBatTieng(bool v);
    // Clamped to 0..1.
    void setAmLuong(double v);
    // Clamped to 7..3650 days: fewer would let the start-up cleanup delete videos still needed as evidence.
    void setSoNgayGiu(int v);
    void setDaCaiDatLanDau(bool v);
    void setThuMucSaoLuu(const QString& v);
    void setMaPinBam(const QString& v);
    void setNguonDon(const QString& v);
    void setGiaoDien(const QString& v);

    // Credentials. None when there is no item, it cannot be read or it is not UTF-8.
    std::optional<QString> docKeychain(const QString& khoa);
    using KhoaDaDoc = QHash<QString, std::optional<QString>>;
    // The same reads on a worker thread: a slow or locked keyring may take seconds per item, and the GUI thread
    // must never wait for it. xong runs on this object's thread with every item read, unless nguCanh is gone by
    // then; the values also fill the cache daDienDuKhoa answers from, except for an item written meanwhile.
    void docKeychainNen(const QStringList& cacKhoa, QObject* nguCanh, std::function<void(const KhoaDaDoc&)> xong);
    // The same reads, telling an item that is not there from one the keyring could not give (no answer in time,
    // locked, not text). The cache takes an unreadable item as empty, as docKeychainNen does.
    using KetQuaDocKhoa = QHash<QString, KhoKhoa::KetQuaDoc>;
    void docKhoaNen(const QStringList& cacKhoa, QObject* nguCanh, std::function<void(const KetQuaDocKhoa&)> xong);
    // A non-empty value overwrites the item in place; none or empty deletes it.
    void ghiKeychain(const QString& khoa, const std::optional<QString>& giaTri);
    // The same writes, in order, on the worker that serves the reads, so a read asked for afterwards sees them.
    // xong runs on this object's thread with the items that could not be written (their previous value stands,
    // and so does the cache's), unless nguCanh is gone by then; the change signal is sent once before it.
    using KhoaCanGhi = QList<QPair<QString, std::optional<QString>>>;
    void ghiKhoaNen(const KhoaCanGhi& cacMuc, QObject* nguCanh, std::function<void(const QStringList& hong)> xong);
    void ganKhoa(const QString& nguon, const QString& truong, const QString& giaTri);
    void chuyenTokenCu();
    // The same migration done on the worker that serves docKeychainNen, so reads queued after it see its result.
    void chuyenTokenCuNen();
    // Every credential field of the source holds a non-blank value. Answered from what this object last read or
    // wrote, so screens may ask on every repaint; the keychain is asked only for a field not seen yet.
    bool daDienDuKhoa(const QString& nguon);

    // PIN: stored only as a digest; an empty (or blank) PIN means no lock.
    void datPin(const QString& pinMoi);
    bool kiemTraPin(const QString& nhap) const;
    static QString bamPin(const QString& pin);

    // Tells every view bound to the settings to look again (after credentials were written elsewhere).
    void baoThayDoi() { emit thayDoi(); }

signals:
    // Any change: a setting or a credential.
    void thayDoi();

    void tenShopChanged();
    void thuMucGocChanged();
    void cameraIdChanged();
    void doPhanGiaiChanged();
    void bitrateKbpsChanged();
    void giayToiDaChanged();
    void giayToiThieuChanged();
    void ghiSerialChanged();
    void batTiengChanged();
    void amLuongChanged();
    void soNgayGiuChanged();
    void daCaiDatLanDauChanged();
    void thuMucSaoLuuChanged();
    void maPinBamChanged();
    void nguonDonChanged();
    void giaoDienChanged();

private:
    void napTatCa();
    QString docChuoi(const QString& ten, const QString& macDinh) const;
    int docSo(const QString& ten, int macDinh) const;
    bool docCo(const QString& ten, bool macDinh) const;
    double docThuc(const QString& ten, double macDinh) const;
    void luu(const QString& ten, const QVariant& giaTri, void (CaiDat::*tinHieu)());
    HangDoiTuanTu& hangKhoa();

    QString tenShop_;
    QString thuMucGoc_;
    QString cameraId_;
    QString doPhanGiai_;
    int bitrateKbps_ = 1500;
    int giayToiDa_ = 300;
    int giayToiThieu_ = 3;
    bool ghiSerial_ = true;
    bool batTieng_ = true;
    double amLuong_ = 0.7;
    int soNgayGiu_ = 60;
    bool daCaiDatLanDau_ = false;
    QString thuMucSaoLuu_;
    QString maPinBam_;
    QString nguonDon_;
    QString giaoDien_;

    QSettings ud_;
    std::shared_ptr<KhoKhoa> khoKhoa_;
    // What the keychain held when last read or written by us; a failed write drops the entry.
    QHash<QString, std::optional<QString>> boNhoKhoa_;
    QHash<QString, quint64> lanGhiKhoa_;       // per item, how many writes this object made
    std::unique_ptr<HangDoiTuanTu> hangKhoa_;  // last: joined before the fields its tasks read
};
