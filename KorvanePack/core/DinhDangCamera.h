#pragma once

#include <QMetaType>
#include <QString>

// One capture format a camera offers: the pixel coding and the frame size.
struct DinhDangCamera {
    Q_GADGET
    Q_PROPERTY(QString maHoa MEMBER maHoa)
    Q_PROPERTY(int rong MEMBER rong)
    Q_PROPERTY(int cao MEMBER cao)

public:
    QString maHoa;  // V4L2 four-character code, "MJPG" or "YUYV" for most webcams
    int rong = 0;
    int cao = 0;

    bool operator==(const DinhDangCamera&) const = default;
};
Q_DECLARE_METATYPE(DinhDangCamera)
