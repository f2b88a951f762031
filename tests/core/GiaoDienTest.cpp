#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <cmath>

#include "common/CumThu.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/GiaoDien.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "shell/NenCongThongTin.h"
#include "shell/NhanMau.h"

namespace {
class NenGia final : public NguonNenHeThong {
public:
    std::optional<CheDoNen> nen() const override { return nen_; }
    void dat(std::optional<CheDoNen> n) {
        nen_ = n;
        emit daDoi();
    }

private:
    std::optional<CheDoNen> nen_;
};

struct KhoiPhuc {
    ~KhoiPhuc() {
        GiaoDien::ban().datNguonHeThong(nullptr);
        GiaoDien::ban().apDungGiaoDien(QStringLiteral("toi"));
    }
};

TEST(GiaoDien, GiaTriChoNen) {
    KhoiPhuc kp;
    NenGia he;
    GiaoDien::ban().datNguonHeThong(&he);
    struct Ca {
        const char* giaTri;
        std::optional<CheDoNen> heThong;
        CheDoNen mongDoi;
    };
    const Ca cac[] = {
        {"sang", CheDoNen::Toi, CheDoNen::Sang}, {"toi", CheDoNen::Sang, CheDoNen::Toi},
        {"", CheDoNen::Sang, CheDoNen::Toi},     {"Sang", CheDoNen::Sang, CheDoNen::Toi},
        {"tuHe", CheDoNen::Toi, CheDoNen::Toi},  {"tuHe", CheDoNen::Sang, CheDoNen::Sang},
        {"tuHe", std::nullopt, CheDoNen::Sang},
    };
    for (const auto& c : cac) {
        he.dat(c.heThong);
        GiaoDien::ban().apDungGiaoDien(QString::fromUtf8(c.giaTri));
        EXPECT_EQ(GiaoDien::ban().nenHienTai(), c.mongDoi) << c.giaTri;
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), BangMau::mauNen.mau(c.mongDoi)) << c.giaTri;
    }
}

TEST(GiaoDien, TuHeTheoDesktopKhiDoi) {
    KhoiPhuc kp;
    NenGia he;
    GiaoDien::ban().datNguonHeThong(&he);
    GiaoDien::ban().apDungGiaoDien(QStringLiteral("tuHe"));
    NhanMau nhan(QStringLiteral("x"), BangMau::mauChuPhu, QFont());
    EXPECT_EQ(nhan.mauChu(), BangMau::mauChuPhu.mau(CheDoNen::Sang));
    QSignalSpy doi(&GiaoDien::ban(), &GiaoDien::daDoiNen);
    he.dat(CheDoNen::Toi);
    EXPECT_EQ(doi.count(), 1);
    EXPECT_EQ(nhan.palette().color(QPalette::WindowText), BangMau::mauChuPhu.mau(CheDoNen::Toi));
    // A fixed choice no longer listens to the desktop.
    GiaoDien::ban().apDungGiaoDien(QStringLiteral("sang"));
    he.dat(CheDoNen::Toi);
    EXPECT_EQ(GiaoDien::ban().nenHienTai(), CheDoNen::Sang);
}

TEST(GiaoDien, DoiCaiDatLucDangChayApDungNgay) {
    KhoiPhuc kp;
    QTemporaryDir thu;
    CaiDat caiDat(thu.filePath("c.ini"), std::make_shared<KhoKhoaBoNho>());
    caiDat.setGiaoDien("sang");
    GiaoDien::ban().theoCaiDat(caiDat);
    EXPECT_EQ(GiaoDien::ban().nenHienTai(), CheDoNen::Sang);
    NhanMau nhan(QStringLiteral("x"), BangMau::mauChuChinh, QFont());
    caiDat.setGiaoDien("toi");
    EXPECT_EQ(GiaoDien::ban().nenHienTai(), CheDoNen::Toi);
    EXPECT_EQ(nhan.mauChu(), BangMau::mauChuChinh.mau(CheDoNen::Toi));
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), BangMau::mauThe.mau(CheDoNen::Toi));
}

double doSangTuongDoi(const QColor& m) {
    auto kenh = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * kenh(m.redF()) + 0.7152 * kenh(m.greenF()) + 0.0722 * kenh(m.blueF());
}

// An unticked check box is drawn on the window colour; its box must still stand out from it, or a returns
// condition cannot be seen to be ticked or not.
TEST(GiaoDien, OChuaDanhDauVanThayTrenCaHaiNen) {
    KhoiPhuc kp;
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        QCheckBox o(QStringLiteral("Thiếu phụ kiện"));
        o.resize(o.sizeHint());
        const QImage anh = o.grab().toImage();
        QStyleOptionButton tuyChon;
        tuyChon.initFrom(&o);
        const QRect hop = o.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &tuyChon, &o);
        ASSERT_TRUE(hop.isValid()) << gd;
        const double lNen = doSangTuongDoi(BangMau::mauNen.mau(GiaoDien::ban().nenHienTai()));
        double tot = 1.0;
        for (int y = hop.top(); y <= hop.bottom(); ++y)
            for (int x = hop.left(); x <= hop.right(); ++x) {
                const double l =
                    doSangTuongDoi(QColor(anh.pixel(x * anh.width() / o.width(), y * anh.height() / o.height())));
                tot = std::max(tot, (std::max(l, lNen) + 0.05) / (std::min(l, lNen) + 0.05));
            }
        EXPECT_GE(tot, 3.0) << gd;
    }
}

// The strongest contrast against a colour among the pixels of a widget's outer two-pixel ring: its outline.
double tuongPhanVien(const QImage& anh, const QColor& nen) {
    const double lNen = doSangTuongDoi(nen);
    double tot = 1.0;
    for (int y = 0; y < anh.height(); ++y)
        for (int x = 0; x < anh.width(); ++x) {
            const bool vanh = x < 2 || y < 2 || x >= anh.width() - 2 || y >= anh.height() - 2;
            if (!vanh) continue;
            const double l = doSangTuongDoi(QColor(anh.pixel(x, y)));
            tot = std::max(tot, (std::max(l, lNen) + 0.05) / (std::min(l, lNen) + 0.05));
        }
    return tot;
}

// A text field sits on a card (settings, wizard) or on the window (PIN screen), and its fill is the card
// colour: only its outline tells it apart, so that outline must stand 3:1 from both, idle and with the keyboard.
TEST(GiaoDien, ONhapVanThayTrenTheVaNen) {
    KhoiPhuc kp;
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        QWidget cuaSo;
        auto* cot = new QVBoxLayout(&cuaSo);
        auto* o = new QLineEdit(&cuaSo);
        o->setPlaceholderText(QStringLiteral("Tên shop in lên video"));
        auto* so = new QSpinBox(&cuaSo);
        auto* ben = new QPushButton(QStringLiteral("Chọn…"), &cuaSo);
        cot->addWidget(o);
        cot->addWidget(so);
        cot->addWidget(ben);
        cuaSo.resize(320, 140);
        cuaSo.show();
        cuaSo.activateWindow();
        QCoreApplication::processEvents();
        for (QWidget* w : {static_cast<QWidget*>(o), static_cast<QWidget*>(so)}) {
            for (const bool coBanPhim : {false, true}) {
                (coBanPhim ? w : ben)->setFocus();
                QCoreApplication::processEvents();
                const QImage anh = w->grab().toImage();
                const QString ten = QString::fromLatin1(w->metaObject()->className()) + (coBanPhim ? "+focus " : " ");
                EXPECT_GE(tuongPhanVien(anh, BangMau::mauThe.mau(nen)), 3.0) << ten.toStdString() << gd;
                EXPECT_GE(tuongPhanVien(anh, BangMau::mauNen.mau(nen)), 3.0) << ten.toStdString() << gd;
            }
        }
    }
}

// A drop-down picker ("Lấy đơn từ", "Webcam", "Độ phân giải"…) stands on a card or the window the same way a
// text field does, its fill as close to both: its outline stands 3:1 from both, idle and with the keyboard, plain
// and editable.
TEST(GiaoDien, HopChonVanThayTrenTheVaNen) {
    KhoiPhuc kp;
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        QWidget cuaSo;
        auto* cot = new QVBoxLayout(&cuaSo);
        auto* chon = new QComboBox(&cuaSo);
        chon->addItems({QStringLiteral("Haravan"), QStringLiteral("KiotViet")});
        auto* sua = new QComboBox(&cuaSo);
        sua->setEditable(true);
        sua->addItem(QStringLiteral("1280 × 720 — khuyên dùng"));
        auto* ben = new QPushButton(QStringLiteral("Chọn…"), &cuaSo);
        cot->addWidget(chon);
        cot->addWidget(sua);
        cot->addWidget(ben);
        cuaSo.resize(320, 140);
        cuaSo.show();
        cuaSo.activateWindow();
        QCoreApplication::processEvents();
        for (QComboBox* w : {chon, sua}) {
            for (const bool coBanPhim : {false, true}) {
                (coBanPhim ? static_cast<QWidget*>(w) : ben)->setFocus();
                QCoreApplication::processEvents();
                const QImage anh = w->grab().toImage();
                const std::string ten =
                    std::string(w->isEditable() ? "sua" : "chon") + (coBanPhim ? "+focus " : " ") + gd;
                EXPECT_GE(tuongPhanVien(anh, BangMau::mauThe.mau(nen)), 3.0) << ten;
                EXPECT_GE(tuongPhanVien(anh, BangMau::mauNen.mau(nen)), 3.0) << ten;
            }
        }
    }
}

// Every push button keeps the same space between its label and its frame (at least 14 pixels a side), long labels
// included.
TEST(GiaoDien, NutBamCoDemHaiBen) {
    KhoiPhuc kp;
    GiaoDien::ban().apDungGiaoDien(QStringLiteral("toi"));  // puts the application's style in place
    for (const char* chu : {"Mở", "Sao lưu bù toàn bộ", "Áp dụng và mở lại camera", "Xoá kết quả, thử lại"}) {
        QPushButton nut(QString::fromUtf8(chu));
        const int rongChu = nut.fontMetrics().horizontalAdvance(nut.text());
        EXPECT_GE(nut.sizeHint().width(), rongChu + 2 * 14) << chu;
    }
}

TEST(MauDong, ChonBoBaTheoNen) {
    const QColor toi = chonMauTheoNen(CheDoNen::Toi, 1.0, 0.353, 0.278, 0.839, 0.224, 0.165);
    const QColor sang = chonMauTheoNen(CheDoNen::Sang, 1.0, 0.353, 0.278, 0.839, 0.224, 0.165);
    EXPECT_NEAR(toi.redF(), 1.0, 1e-3);
    EXPECT_NEAR(toi.greenF(), 0.353, 1e-3);
    EXPECT_NEAR(sang.redF(), 0.839, 1e-3);
    EXPECT_NEAR(sang.blueF(), 0.165, 1e-3);
    EXPECT_EQ(toi.alphaF(), 1.0f);
    const MauDong m = mauTheoNenDong({0.1, 0.2, 0.3}, {0.7, 0.8, 0.9});
    EXPECT_EQ(m.mau(CheDoNen::Toi), chonMauTheoNen(CheDoNen::Toi, 0.1, 0.2, 0.3, 0.7, 0.8, 0.9));
    EXPECT_EQ(m.mau(CheDoNen::Sang), chonMauTheoNen(CheDoNen::Sang, 0.1, 0.2, 0.3, 0.7, 0.8, 0.9));
}
}  // namespace

namespace {
// Stands in for the desktop's settings portal on a bus of the test's own.
class CongThongTinGia : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QDBusVariant traLoi;
public slots:
    QDBusVariant Read(const QString& khongGian, const QString& khoa) {
        if (khongGian == "org.freedesktop.appearance" && khoa == "color-scheme") return traLoi;
        return QDBusVariant(QVariant(QString()));
    }
signals:
    void SettingChanged(const QString& khongGian, const QString& khoa, const QDBusVariant& giaTri);
};

struct BusRieng {
    QProcess p;
    QString diaChi;
    bool batDau() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return false;
        p.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (!p.waitForStarted(5000) || !cum_thu::choDen([&] { return p.canReadLine(); }, 5000)) return false;
        diaChi = QString::fromUtf8(p.readLine()).trimmed();
        return !diaChi.isEmpty();
    }
    ~BusRieng() {
        for (const char* ten : {"cong", "khach-1", "khach-2", "khach-3"}) QDBusConnection::disconnectFromBus(ten);
        p.kill();
        p.waitForFinished(3000);
    }
};

QDBusVariant bien(uint so, bool boc2Lop) {
    const QDBusVariant trong{QVariant(so)};
    return boc2Lop ? QDBusVariant(QVariant::fromValue(trong)) : trong;
}

// "tuHe" follows the desktop's colour scheme as the settings portal tells it: 1 prefers dark, 2 light, 0 no
// preference (which leaves the light appearance), older portals wrapping the answer twice; later changes come
// through the portal's signal, and a bus without a portal is no preference.
TEST(NenCongThongTin, DocVaTheoDoiCongCaiDat) {
    BusRieng bus;
    if (!bus.batDau()) GTEST_SKIP() << "dbus-daemon is needed for a private bus";
    QDBusConnection cong = QDBusConnection::connectToBus(bus.diaChi, "cong");
    ASSERT_TRUE(cong.isConnected());

    {  // no portal answers
        NenCongThongTin nen(QDBusConnection::connectToBus(bus.diaChi, "khach-1"));
        cum_thu::chay(300);
        EXPECT_FALSE(nen.nen().has_value());
    }

    CongThongTinGia gia;
    ASSERT_TRUE(cong.registerObject("/org/freedesktop/portal/desktop", &gia,
                                    QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(cong.registerService("org.freedesktop.portal.Desktop"));
    for (const bool boc2Lop : {false, true}) {
        gia.traLoi = bien(1, boc2Lop);
        NenCongThongTin nen(QDBusConnection::connectToBus(bus.diaChi, boc2Lop ? "khach-3" : "khach-2"));
        EXPECT_FALSE(nen.nen().has_value());  // the first reading never holds up the window
        ASSERT_TRUE(cum_thu::choDen([&] { return nen.nen().has_value(); }, 5000)) << boc2Lop;
        EXPECT_EQ(nen.nen(), CheDoNen::Toi) << boc2Lop;

        QSignalSpy doi(&nen, &NguonNenHeThong::daDoi);
        emit gia.SettingChanged("org.freedesktop.appearance", "color-scheme", QDBusVariant(QVariant(2u)));
        ASSERT_TRUE(cum_thu::choDen([&] { return doi.count() == 1; }, 5000)) << boc2Lop;
        EXPECT_EQ(nen.nen(), CheDoNen::Sang) << boc2Lop;
        emit gia.SettingChanged("org.freedesktop.appearance", "accent-color", QDBusVariant(QVariant(1u)));
        emit gia.SettingChanged("org.freedesktop.appearance", "color-scheme", QDBusVariant(QVariant(0u)));
        ASSERT_TRUE(cum_thu::choDen([&] { return doi.count() == 2; }, 5000)) << boc2Lop;
        EXPECT_FALSE(nen.nen().has_value()) << boc2Lop;

        KhoiPhuc kp;
        GiaoDien::ban().datNguonHeThong(&nen);
        GiaoDien::ban().apDungGiaoDien(QStringLiteral("tuHe"));
        EXPECT_EQ(GiaoDien::ban().nenHienTai(), CheDoNen::Sang);
        emit gia.SettingChanged("org.freedesktop.appearance", "color-scheme", QDBusVariant(QVariant(1u)));
        ASSERT_TRUE(cum_thu::choDen([&] { return GiaoDien::ban().nenHienTai() == CheDoNen::Toi; }, 5000));
    }
}
}  // namespace

#include "GiaoDienTest.moc"
