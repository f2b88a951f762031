#pragma once

class QHBoxLayout;
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
