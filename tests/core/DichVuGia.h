#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// Stand-ins that publish the same fields, under the same names, as the settings object, the coordinator,
// its camera engine and the sync engine, for tests of the window alone.
class CaiDatGia : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString maPinBam MEMBER maPinBam NOTIFY doi)
    Q_PROPERTY(bool daCaiDatLanDau MEMBER daCaiDatLanDau NOTIFY doi)
    Q_PROPERTY(QString tenShop MEMBER tenShop NOTIFY doi)
public:
    QString maPinBam;
    bool daCaiDatLanDau = true;
    QString tenShop = QStringLiteral("Shop Gia");
signals:
    void doi();
};

class CameraGia : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dangGhi READ dangGhi WRITE datDangGhi NOTIFY dangGhiDoi)
public:
    bool dangGhi() const { return dangGhi_; }
    void datDangGhi(bool v) {
        if (v == dangGhi_) return;
        dangGhi_ = v;
        emit dangGhiDoi();
    }
signals:
    void dangGhiDoi();

private:
    bool dangGhi_ = false;
};

class DieuPhoiGia : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* camera READ camera CONSTANT)
    Q_PROPERTY(QVariant thongBao MEMBER thongBao NOTIFY doi)
    Q_PROPERTY(QVariant canhBaoOCung MEMBER canhBaoOCung NOTIFY doi)
    Q_PROPERTY(int cheDo MEMBER cheDo NOTIFY doi)
public:
    QObject* camera() { return &cam; }
    void datCanhBaoOCung(const QVariant& v) {
        canhBaoOCung = v;
        emit doi();
    }
    CameraGia cam;
    QVariant thongBao;
    QVariant canhBaoOCung;
    int cheDo = 0;
signals:
    void doi();
};

class DongBoGia : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString trangThai READ trangThai NOTIFY trangThaiDoi)
public:
    QString trangThai() const { return trangThai_; }
    void dat(const QString& t) {
        trangThai_ = t;
        emit trangThaiDoi();
    }
signals:
    void trangThaiDoi();

private:
    QString trangThai_;
};
