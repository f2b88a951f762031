#include "sources/LoiNenTang.h"

#include <QStringList>

LoiNenTang::LoiNenTang(int status_, QString nguyenVan_, QString url_, QString thongDiep_)
    : status(status_),
      nguyenVan(std::move(nguyenVan_)),
      url(std::move(url_)),
      thongDiep(std::move(thongDiep_)),
      moTa_(thongDiep.toStdString()) {}

QString LoiNenTang::chiTiet() const {
    QStringList phan;
    if (status >= 1) phan << QStringLiteral("HTTP %1").arg(status);
    if (!nguyenVan.isEmpty()) phan << nguyenVan;
    if (!url.isEmpty()) phan << url;
    return phan.join(QStringLiteral(" | "));
}
