#include "evidence/DangKyManHinh.h"

#include "core/CaiDat.h"
#include "shell/KhungChinh.h"
#include "core/TrangThaiApp.h"
#include "evidence/MaMay.h"
#include "evidence/ManHinhDoiSoat.h"
#include "evidence/ManHinhTraCuu.h"

void DangKyManHinh::dangKy(KhungChinh& khung, const DongHo& dongHo) {
    khung.dangKyManHinh(KhungChinh::ManHinh::traCuu, [](TrangThaiApp& tt, CaiDat& cd) -> QWidget* {
        if (!tt.kho()) return nullptr;
        CaiDat* caiDat = &cd;
        // The identifier is read when an export asks for it; the fallback lives in the application's settings.
        return new ManHinhTraCuu(*tt.kho(), cd.tenShop(), [caiDat] { return MaMay::maMayNay(caiDat->ud()); });
    });
    khung.dangKyManHinh(KhungChinh::ManHinh::doiSoat, [dh = &dongHo](TrangThaiApp& tt, CaiDat&) -> QWidget* {
        if (!tt.kho()) return nullptr;
        return new ManHinhDoiSoat(*tt.kho(), tt.suaBanGhi(), *dh);
    });
}
