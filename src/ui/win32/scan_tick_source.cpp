// SPDX-License-Identifier: MIT
#include "ui/win32/scan_tick_source.hpp"

#include <mmsystem.h>

namespace quillon {

namespace {

constexpr UINT kResolution = 1;  // ms

}  // namespace

ScanTickSource::ScanTickSource(HWND target, UINT message, std::chrono::milliseconds period,
                               PostFunction post)
    : target_(target), message_(message), period_(static_cast<UINT>(period.count())), post_(post) {}

ScanTickSource::~ScanTickSource() {
    Stop();
}

void ScanTickSource::Start() {
    if (running_) {
        return;
    }
    running_ = true;
    pending_.store(false);
    multimedia_timer_ = ::timeSetEvent(
        period_, kResolution, &ScanTickSource::Fire, reinterpret_cast<DWORD_PTR>(this),
        TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (multimedia_timer_ == 0) {
        window_timer_ = ::SetTimer(target_, kFallbackTimerId, period_, nullptr) != 0;
    }
}

void ScanTickSource::Stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    if (multimedia_timer_ != 0) {
        // Synchronous: no callback runs after this returns.
        ::timeKillEvent(multimedia_timer_);
        multimedia_timer_ = 0;
    }
    if (window_timer_) {
        ::KillTimer(target_, kFallbackTimerId);
        window_timer_ = false;
    }
}

// On the multimedia timer's own thread: it touches nothing but the flag and the queue.
void CALLBACK ScanTickSource::Fire(UINT /*timer*/, UINT /*reserved*/, DWORD_PTR self,
                                   DWORD_PTR /*unused1*/, DWORD_PTR /*unused2*/) {
    reinterpret_cast<ScanTickSource*>(self)->Post();
}

void ScanTickSource::Post() {
    // A post the queue refused (it is full) leaves no tick waiting: the next one may be posted,
    // or the ticks would stop for good.
    if (!pending_.exchange(true) && !post_(target_, message_, 0, 0)) {
        pending_.store(false);
    }
}

}  // namespace quillon
