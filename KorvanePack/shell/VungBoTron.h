#pragma once

#include <QRegion>
#include <QSize>

// The shape of a rectangle of this size with corners rounded to this radius, as a widget mask: a pixel
// belongs to it when its centre lies inside the rounded edge, which runs half a pixel in from the sides, along
// the middle of a 1 px border line drawn there. Masks cannot be smoothed, so the cut is made pixel by pixel;
// taken from a polygon instead, the arcs' points rounded to whole pixels leave notches and let corners poke out.
QRegion vungBoTron(const QSize& co, int banKinh);
