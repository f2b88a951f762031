#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QMediaDevices>
#include <algorithm>
#include <cmath>

#include "gia/core/DauRaAmThanhGia.h"
#include "core/TiengBao.h"

namespace {

constexpr double kMau = BoTronAm::kTanSoMau;

float dinh(const std::vector<float>& mau) {
    float m = 0;
    for (float s : mau) m = std::max(m, std::abs(s));
    return m;
}

double tanSoTheoDiemKhong(const std::vector<float>& mau) {
    int soLan = 0;
    for (std::size_t i = 1; i < mau.size(); ++i) {
        if ((mau[i - 1] < 0) != (mau[i] < 0) && mau[i - 1] != 0) ++soLan;
    }
    return soLan / 2.0 / (mau.size() / kMau);
}

struct CoTiengBao {
    DauRaAmThanhGia* dauRa;
    std::unique_ptr<TiengBao> tieng;

    CoTiengBao() {
        auto gia = std::make_unique<DauRaAmThanhGia>();
        dauRa = gia.get();
        tieng = std::make_unique<TiengBao>(std::move(gia));
    }

    // Pulls from the mixer in uneven chunks, as a sink would, until every note has been heard.
    std::vector<float> nghe(std::int64_t soKhung) {
        std::vector<float> ra(static_cast<std::size_t>(soKhung));
        std::int64_t da = 0;
        const std::int64_t cacCo[] = {441, 1000, 37, 4096};
        for (int k = 0; da < soKhung; ++k) {
            const std::int64_t n = std::min(cacCo[k % 4], soKhung - da);
            tieng->boTron().tron(ra.data() + da, n);
            da += n;
        }
        return ra;
    }
};

}  // namespace

TEST(TiengBaoTest, MoiNotCoDungSoMauBaoHinhDinhVaTanSo) {
    for (int loai = 0; loai < TiengBao::kSoLoai; ++loai) {
        for (const TiengBao::Not& n : TiengBao::cacNot(static_cast<LoaiTieng>(loai))) {
            SCOPED_TRACE(testing::Message() << "loai " << loai << " " << n.tanSo << " Hz");
            const auto mau = TiengBao::tongHopNot(n.tanSo, n.thoiLuong, 1.0f);
            ASSERT_EQ(mau.size(), static_cast<std::size_t>(n.thoiLuong * kMau));
            EXPECT_EQ(mau.front(), 0.0f);
            // The fall would reach zero only at the very end of the note, one sample past the buffer.
            const double tCuoi = (mau.size() - 1) / kMau;
            const double baoHinhCuoi = std::min((n.thoiLuong - tCuoi) / 0.03, 1.0);
            EXPECT_GT(baoHinhCuoi, 0.0);
            EXPECT_LT(baoHinhCuoi, 0.05);
            EXPECT_LE(std::abs(mau.back()), 0.35 * baoHinhCuoi + 1e-6);
            EXPECT_LE(dinh(mau), 0.35f);
            EXPECT_GT(dinh(mau), 0.35f * 0.99f);
            EXPECT_NEAR(tanSoTheoDiemKhong(mau), n.tanSo, n.tanSo * 0.03);
        }
    }
    EXPECT_EQ(TiengBao::tongHopNot(880, 0.09, 1.0f).size(), 3969u);
    EXPECT_EQ(TiengBao::tongHopNot(160, 0.32, 1.0f).size(), 14112u);
}

TEST(TiengBaoTest, DinhTheoAmLuongVaAmLuongBiKep) {
    EXPECT_NEAR(dinh(TiengBao::tongHopNot(700, 0.1, 0.5f)), 0.175f, 0.002f);
    const auto imLang = TiengBao::tongHopNot(700, 0.1, 0.0f);
    EXPECT_EQ(imLang.size(), 4410u);
    EXPECT_EQ(dinh(imLang), 0.0f);

    TiengBao tieng(std::make_unique<DauRaAmThanhGia>());
    EXPECT_FLOAT_EQ(tieng.amLuong(), 0.7f);
    struct {
        float vao, ra;
    } const bang[] = {{0.4f, 0.4f}, {2.5f, 1.0f}, {-1.0f, 0.0f}, {std::nanf(""), 0.7f}, {1.0f, 1.0f}};
    for (const auto& c : bang) {
        tieng.setAmLuong(c.vao);
        EXPECT_FLOAT_EQ(tieng.amLuong(), c.ra) << c.vao;
    }
}

// Each cue rendered through the mixer must equal its notes laid at their exact offsets: this pins both the
// spacing (kind 1's second note starts as the first ends, kind 3 leaves a 60 ms gap) and the volume at play time.
TEST(TiengBaoTest, CacNotCuaMotTiengGiuDungKhoangCach) {
    for (int loai = 0; loai < TiengBao::kSoLoai; ++loai) {
        SCOPED_TRACE(loai);
        CoTiengBao co;
        co.tieng->setAmLuong(0.6f);
        co.tieng->phat(static_cast<LoaiTieng>(loai));
        const auto& cacNot = TiengBao::cacNot(static_cast<LoaiTieng>(loai));
        std::vector<float> mongDoi;
        for (const auto& n : cacNot) {
            const auto mau = TiengBao::tongHopNot(n.tanSo, n.thoiLuong, 0.6f);
            const auto dau = static_cast<std::size_t>(std::llround(n.tre * kMau));
            mongDoi.resize(std::max(mongDoi.size(), dau + mau.size()), 0.0f);
            for (std::size_t i = 0; i < mau.size(); ++i) mongDoi[dau + i] += mau[i];
        }
        mongDoi.resize(mongDoi.size() + 500, 0.0f);
        EXPECT_EQ(co.nghe(static_cast<std::int64_t>(mongDoi.size())), mongDoi);
        EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 0);
        EXPECT_EQ(co.dauRa->soLanHoi, static_cast<int>(cacNot.size()));
    }
    EXPECT_EQ(std::llround(TiengBao::cacNot(LoaiTieng::daLuu)[1].tre * kMau), static_cast<long long>(0.07 * kMau));
    const auto& ba = TiengBao::cacNot(LoaiTieng::donDaHuy);
    EXPECT_NEAR(ba[1].tre - (ba[0].tre + ba[0].thoiLuong), 0.06, 1e-9);
}

TEST(TiengBaoTest, TatTiengThiKhongPhatGi) {
    CoTiengBao co;
    co.tieng->setBat(false);
    for (int loai = 0; loai < TiengBao::kSoLoai; ++loai) co.tieng->phat(static_cast<LoaiTieng>(loai));
    EXPECT_EQ(co.dauRa->soLanHoi, 0);
    EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 0);
    EXPECT_EQ(dinh(co.nghe(30000)), 0.0f);
}

TEST(TiengBaoTest, DauRaHongThiBoQuaVaThuLaiLanSau) {
    CoTiengBao co;
    co.dauRa->chay = false;
    co.tieng->phat(LoaiTieng::coLoi);
    EXPECT_EQ(co.dauRa->soLanHoi, 2);
    EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 0);
    co.tieng->phat(LoaiTieng::nhanMa);
    EXPECT_EQ(co.dauRa->soLanHoi, 3);
    EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 0);

    co.dauRa->chay = true;
    co.tieng->phat(LoaiTieng::daLuu);
    EXPECT_EQ(co.dauRa->soLanHoi, 5);
    EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 2);

    // A device lost after it once worked is asked for again on the very next cue.
    co.dauRa->chay = false;
    co.tieng->phat(LoaiTieng::nhanMa);
    EXPECT_EQ(co.dauRa->soLanHoi, 6);
    EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 2);
}

TEST(TiengBaoTest, LoaiLaKhongPhatGi) {
    CoTiengBao co;
    co.tieng->phat(static_cast<LoaiTieng>(5));
    co.tieng->phat(static_cast<LoaiTieng>(-1));
    EXPECT_EQ(co.tieng->boTron().soNotDangCho(), 0);
}

// Without a sound device (as on the build machines) a cue must pass silently and leave nothing behind.
TEST(TiengBaoTest, ThietBiThatKhongCoLoaThiVoHai) {
    TiengBao tieng;
    for (int loai = 0; loai < TiengBao::kSoLoai; ++loai) tieng.phat(static_cast<LoaiTieng>(loai));
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        EXPECT_EQ(tieng.boTron().soNotDangCho(), 0);
    } else {
        EXPECT_GT(tieng.boTron().soNotDangCho(), 0);
    }
}
