#pragma once

#include <QList>
#include <QString>

#include "nentang/MucNguon.h"
#include "nentang/TruongKhaiBao.h"

// The fixed data about the five sales platforms: what the pickers list, which credentials each one needs and
// where the owner finds them. Plain data only, so the settings can use it without pulling in any client.
// Ids are compared exactly; an unknown id falls back to Haravan everywhere except nguonDaKiemChung.

// The five platforms in picker order.
const QList<MucNguon>& bangNenTang();

const QList<TruongKhaiBao>& cacTruongKhaiBao(const QString& nguon);
QString huongDanKetNoi(const QString& nguon);
QString tenNguon(const QString& nguon);
bool nguonDaKiemChung(const QString& nguon);

// The domain under which a platform gives each shop its own address ("kiotviet.vn", "mysapo.net"); empty for
// platforms that address shops otherwise.
QString tenMienCuaHang(const QString& nguon);

// "com.korvane.pack." + source id + "." + field key: the keychain service of one credential.
QString dichVuKhoaNguon(const QString& nguon, const QString& khoa);
