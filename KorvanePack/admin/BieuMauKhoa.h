#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class CongDongBo;
class CaiDat;

// The credential form of the chosen sales platform, with no widget of its own: the settings card and the
// first-run wizard both draw it. It holds what each field shows, which stored values are back from the keyring,
// saving, and the connection test. The keyring is asked only on the settings' worker: a slow or locked one (up to
// ten seconds a field) leaves the window free, a field typed into meanwhile keeps what was typed, and a field
// whose stored value is not known yet is never overwritten by a save.
class BieuMauKhoa final : public QObject {
    Q_OBJECT
public:
    static inline const QString kTienToThanhCong = QStringLiteral("Kết nối được");

    BieuMauKhoa(CaiDat& caiDat, CongDongBo* dongBo, QObject* parent = nullptr);

    // The platform whose fields the form holds: the chosen one, followed on every change of it.
    const QString& nguon() const { return nguon_; }
    const QMap<QString, QString>& oNhap() const { return oNhap_; }
    QString giaTri(const QString& khoa) const { return oNhap_.value(khoa); }
    // What the owner typed: kept as typed, written only by luu().
    void sua(const QString& khoa, const QString& giaTri);
    // Every field has something besides spaces and tabs (a line break alone counts as something typed).
    bool duNhap() const;

    // Asks the keyring again for the platform's stored values; what was typed and the test result are dropped.
    void napLai();
    // The keyring has answered for every field of the platform (an unreadable one is named in loiKhoa).
    bool daNap() const { return daNap_; }
    // Every field of the platform is known to hold a stored value that is not blank. Answered from what this form
    // read and wrote: asking never waits on the keyring.
    bool duKhoaDaLuu() const;

    // Writes the fields, trimmed, on the worker; an emptied field deletes its item. A field the owner did not
    // type into whose stored value is not known (not back yet, or unreadable) is left as stored.
    void luu();
    bool dangLuu() const { return soLanLuuCho_ > 0; }

    // Saves, then has the sync engine test the connection. sauKhiThu gets the result if the platform is still the
    // one tested, even when the form is gone by then. One test at a time.
    void kiemTra(std::function<void(const QString&)> sauKhiThu = {});
    bool dangThu() const { return dangThu_; }
    const std::optional<QString>& ketQuaToken() const { return ketQuaToken_; }
    bool ketNoiDuoc() const { return ketQuaToken_ && ketQuaToken_->startsWith(kTienToThanhCong); }

    // What went wrong with the keyring, in the owner's words: stored values it could not give, values it did
    // not take. Cleared by the next load.
    const std::optional<QString>& loiKhoa() const { return loiKhoa_; }

signals:
    // Another platform: another list of fields.
    void cacTruongDoi();
    // A field took a value from the keyring, or was cleared for a new load (never for the owner's own typing).
    void giaTriDoi(const QString& khoa);
    // Loading, saving, testing, their results or the typed values changed.
    void trangThaiDoi();

private:
    void theoNguon();
    void luuRoi(std::function<void()> sau);
    void capNhatLoi();

    CaiDat& caiDat_;
    QPointer<CongDongBo> dongBo_;

    QString nguon_;
    QMap<QString, QString> oNhap_;
    QSet<QString> daSua_;           // fields typed into since the last load was asked
    QMap<QString, QString> daLuu_;  // per field, the stored value as last read or written ("" for none)
    QStringList khongDocDuoc_;      // fields the last load could not read
    QStringList khongGhiDuoc_;      // fields the last save could not write
    quint64 lanNap_ = 0;            // the load whose answer the form waits for
    bool daNap_ = false;
    int soLanLuuCho_ = 0;
    bool dangThu_ = false;
    std::optional<QString> ketQuaToken_;
    std::optional<QString> loiKhoa_;
};
