// SPDX-License-Identifier: MIT
// window_snapshot QUILLON_EXE OUTPUT_BMP [WORDS...]: starts the window program with the words,
// waits until its window has run a while, copies the window's pixels from the screen into a
// 24-bit BMP file, then closes the program as the operator would. For the README's picture.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr auto kWindowPatience = std::chrono::seconds(30);
constexpr auto kRunBeforeThePicture = std::chrono::milliseconds(2500);
constexpr DWORD kEndPatience = 15000;  // ms

HWND WaitForWindow() {
    const auto give_up = std::chrono::steady_clock::now() + kWindowPatience;
    while (std::chrono::steady_clock::now() < give_up) {
        if (HWND window = ::FindWindowW(L"QuillonMainWindow", nullptr)) {
            return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

bool WriteBitmap(const char* path, HWND window) {
    RECT frame;
    ::GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep their rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    ::GdiFlush();
    const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
    const DWORD pixels = row * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + pixels;
    info.bmiHeader.biSizeImage = pixels;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    out.write(static_cast<const char*>(bits), pixels);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return out.good();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: window_snapshot QUILLON_EXE OUTPUT_BMP [WORDS...]\n";
        return 2;
    }
    std::string command = std::string("\"") + argv[1] + "\"";
    for (int i = 3; i < argc; ++i) {
        command += std::string(" ") + argv[i];
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        std::cerr << "window_snapshot: cannot start " << argv[1] << "\n";
        return 1;
    }
    HWND window = WaitForWindow();
    bool written = false;
    if (window != nullptr) {
        std::this_thread::sleep_for(kRunBeforeThePicture);
        written = WriteBitmap(argv[2], window);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        std::cerr << "window_snapshot: no Quillon window appeared\n";
    }
    if (::WaitForSingleObject(process.hProcess, kEndPatience) != WAIT_OBJECT_0) {
        std::cerr << "window_snapshot: the program did not end after its window closed\n";
        ::TerminateProcess(process.hProcess, 1);
        written = false;
    }
    DWORD status = 1;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return written && status == 0 ? 0 : 1;
}
