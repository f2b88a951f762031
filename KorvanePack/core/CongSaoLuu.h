#pragma once

struct BanGhiVideo;

// What start-up needs of the backup, which lives in a library above this one: the copy of each saved record.
class CongSaoLuu {
public:
    virtual ~CongSaoLuu() = default;

    // Returns at once; the copy happens elsewhere and its outcome is not reported.
    virtual void saoLuuMot(const BanGhiVideo& banGhi) = 0;
};
