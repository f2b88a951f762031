#include "evidence/NguonKhungHinhVideo.h"

#include "core/DocVideo.h"

NguonKhungHinhVideo::NguonKhungHinhVideo() = default;
NguonKhungHinhVideo::~NguonKhungHinhVideo() = default;

DocVideo* NguonKhungHinhVideo::mo(const QString& tep) {
    if (!doc_ || tep_ != tep) {
        doc_ = std::make_unique<DocVideo>(tep);
        tep_ = tep;
    }
    return doc_->moDuoc() ? doc_.get() : nullptr;
}

std::optional<double> NguonKhungHinhVideo::thoiLuong(const QString& tep) {
    DocVideo* d = mo(tep);
    if (!d || d->soLuongVideo() == 0) return std::nullopt;
    return d->thoiLuong();
}

std::optional<NguonKhungHinh::Khung> NguonKhungHinhVideo::khungLuc(const QString& tep, double giay, double dungSai,
                                                                   QSize toiDa) {
    DocVideo* d = mo(tep);
    if (!d) return std::nullopt;
    double giayThuc = giay;
    QImage anh = d->khungLuc(giay, dungSai, &giayThuc);
    if (anh.isNull()) return std::nullopt;
    if (anh.width() > toiDa.width() || anh.height() > toiDa.height())
        anh = anh.scaled(toiDa, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return Khung{anh, giayThuc};
}
