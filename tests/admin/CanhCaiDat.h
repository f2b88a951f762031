#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include "admin/ManHinhCaiDat.h"
#include "admin/TuKhoiDongXdg.h"
#include "common/CumThu.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "shell/NhanMau.h"
#include "evidence/SaoLuu.h"
#include "sources/BoDongBo.h"
#include "sources/MayChuGia.h"
#include "gia/sources/NguonDonKichBan.h"
#include "nentang/BangNenTang.h"

// The settings screen over a real coordinator, sync engine and backup on temporary folders, with an in-memory
// keychain, a scripted folder chooser, a recorded file viewer and an autostart folder of its own.
struct CanhCaiDat : cum_thu::Cum {
    std::shared_ptr<KhoKhoaBoNho> khoKhoa = std::make_shared<KhoKhoaBoNho>();
    QTemporaryDir thuMucKhac;
    std::unique_ptr<BoDongBo> dongBo;
    std::unique_ptr<SaoLuu> saoLuu;
    std::unique_ptr<ManHinhCaiDat> man;
    std::optional<QString> thuMucSeChon;
    // The folder each chooser was opened at.
    QStringList batDauChon;
    QStringList daMo;
    std::shared_ptr<TuKhoiDongXdg> tuKhoiDong;
    // Applied to every scripted source the sync engine builds; no script means the real clients.
    std::function<void(NguonDonKichBan&)> kichBan;
    // A loopback port nothing listens on, so no test can reach a real platform by accident.
    BangMayChu mayChu = BangMayChu::tatCaVe(QStringLiteral("http://127.0.0.1:%1").arg(MayChuGia::congDaDong()));

    CanhCaiDat() {
        // The base fixture's settings use a keychain this test cannot reach; this one it can.
        caiDat = std::make_unique<CaiDat>(tepCaiDat(), khoKhoa);
        caiDat->setThuMucGoc(thuMuc.filePath(QStringLiteral("goc")));
        caiDat->setGiayToiThieu(1);
        tuKhoiDong = std::make_shared<TuKhoiDongXdg>(thuMucKhac.filePath(QStringLiteral("autostart")),
                                                     QStringLiteral(KORVANE_APP_PATH));
    }
    ~CanhCaiDat() {
        man.reset();
        if (saoLuu) saoLuu->choHetViec();
        saoLuu.reset();
        dongBo.reset();
    }
    QString tepCaiDat() const { return thuMuc.filePath(QStringLiteral("caidat.ini")); }

    ManHinhCaiDat& taoManHinh() {
        taoDieuPhoi();
        BoDongBo::CauHinh ch;
        ch.mayChu = mayChu;
        if (kichBan) {
            ch.taoNguon = [this](const QString& id, const DocKhoa& doc,
                                 const MoiTruongNguon&) -> std::unique_ptr<NguonDon> {
                for (const auto& t : cacTruongKhaiBao(id)) {
                    if (docKhoaNguon(t.khoa, id, doc).isEmpty()) return nullptr;
                }
                auto n = std::make_unique<NguonDonKichBan>();
                kichBan(*n);
                return n;
            };
        }
        dongBo = std::make_unique<BoDongBo>(*kho, *caiDat, std::move(ch));
        saoLuu = std::make_unique<SaoLuu>(*kho, *caiDat);
        ManHinhCaiDat::NenTang nt;
        nt.chonThuMuc = [this](QWidget*, const QString& hienTai) {
            batDauChon << hienTai;
            return thuMucSeChon;
        };
        nt.moThuMuc = [this](const QString& d) { daMo << d; };
        nt.tuKhoiDong = tuKhoiDong;
        man = std::make_unique<ManHinhCaiDat>(engine, *kho, dongBo.get(), saoLuu.get(), *caiDat, std::move(nt));
        man->resize(900, 800);
        man->show();
        return *man;
    }

    template <class T>
    T* tim(const QString& ten) const {
        T* w = man->findChild<T*>(ten);
        EXPECT_NE(w, nullptr) << ten.toStdString();
        return w;
    }
    // The screen's one card of that class.
    template <class T>
    T* the() const {
        T* t = man->findChild<T*>();
        EXPECT_NE(t, nullptr) << T::staticMetaObject.className();
        return t;
    }
    QPushButton* nut(const QString& ten) const { return tim<QPushButton>(ten); }
    NhanMau* nhan(const QString& ten) const { return tim<NhanMau>(ten); }
    // A new settings object on the same file: what the next start would read.
    std::unique_ptr<CaiDat> docLai() const { return std::make_unique<CaiDat>(tepCaiDat(), khoKhoa); }
};
