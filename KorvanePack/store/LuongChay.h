#pragma once

#include <thread>

// The thread an object's unlocked state belongs to. A call from any other thread is a programming fault that
// would corrupt that state quietly (a record half written, a recording flag torn), so it stops the program at
// once, naming the call, in every build: a crash with a name is found and mended, corrupted evidence is not.
// The check is one comparison of thread ids.
class LuongChay {
public:
    // Bound to the thread that builds it.
    LuongChay() : id_(std::this_thread::get_id()) {}

    // For an object built on one thread and handed to the thread it then lives on.
    void ganVaoLuongNay() { id_ = std::this_thread::get_id(); }
    bool laLuongNay() const { return std::this_thread::get_id() == id_; }

    // noi names the call in the message, e.g. "KhoDuLieu::themBanGhi".
    void kiem(const char* noi) const {
        if (!laLuongNay()) [[unlikely]] saiLuong(noi);
    }

    // For a rule checked by other means (a serial queue's own test of its thread).
    [[noreturn]] static void saiLuong(const char* noi);

private:
    std::thread::id id_;
};
