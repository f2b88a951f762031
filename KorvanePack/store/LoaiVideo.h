#pragma once

#include <QString>
#include <optional>

// The kind of a video; records store its raw text.
enum class LoaiVideo { dongGoi, hangHoan };

QString giaTriLoaiVideo(LoaiVideo loai);
// Any text other than "pack" or "return" gives no kind.
std::optional<LoaiVideo> loaiVideoTuGiaTri(const QString& giaTri);
