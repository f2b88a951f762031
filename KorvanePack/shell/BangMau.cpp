#include "shell/BangMau.h"

const MauDong BangMau::mauNen{{0.055, 0.075, 0.090}, {0.957, 0.961, 0.968}};
const MauDong BangMau::mauThe{{0.086, 0.114, 0.133}, {1.0, 1.0, 1.0}};
const MauDong BangMau::mauVienThe{{0.157, 0.196, 0.227}, {0.863, 0.878, 0.898}};
const MauDong BangMau::mauChuChinh{{0.906, 0.929, 0.945}, {0.106, 0.145, 0.188}};
const MauDong BangMau::mauChuPhu{{0.635, 0.690, 0.729}, {0.361, 0.400, 0.447}};
const MauDong BangMau::mauXanhLa{{0.373, 0.761, 0.573}, {0.180, 0.620, 0.388}};
const MauDong BangMau::mauDo{{1.0, 0.353, 0.278}, {0.839, 0.224, 0.165}};
const MauDong BangMau::mauHoPhach{{0.878, 0.651, 0.235}, {0.690, 0.475, 0.078}};
const MauDong BangMau::mauXanhDuong{{0.420, 0.714, 0.800}, {0.118, 0.498, 0.651}};
