#pragma once

#include <QString>
#include <memory>

#include "evidence/NguonKhungHinh.h"

class DocVideo;

// Key frames decoded from the recorded file. The file stays open across the six requests of one export.
class NguonKhungHinhVideo final : public NguonKhungHinh {
public:
    NguonKhungHinhVideo();
    ~NguonKhungHinhVideo() override;

    std::optional<double> thoiLuong(const QString& tep) override;
    std::optional<Khung> khungLuc(const QString& tep, double giay, double dungSai, QSize toiDa) override;

private:
    DocVideo* mo(const QString& tep);

    QString tep_;
    std::unique_ptr<DocVideo> doc_;
};
