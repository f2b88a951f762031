#pragma once

#include <functional>

class BoDieuPhoi;
class QHBoxLayout;
class QObject;
class QVBoxLayout;
class QWidget;

// The page both stations stand on: the page colour edge to edge and, 20 px in, a row holding the camera
// column at the left, which takes whatever the station's card at the right leaves it, 18 px from that card.
struct TrangTram {
    QHBoxLayout* hang;
    QVBoxLayout* cotCamera;
};

// Lays the page out on `man`; the station fills the camera column and adds its card to the row.
TrangTram dungTrangTram(QWidget* man);

// Runs one coordinator operation as its own main-thread task, owned by `chu`; the station never waits on it,
// and an operation whose coordinator is gone by then is dropped.
void giaoViecDieuPhoi(QObject* chu, BoDieuPhoi* dieuPhoi, std::function<void(BoDieuPhoi&)> viec);
