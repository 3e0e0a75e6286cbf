// SPDX-License-Identifier: MIT
// window_snapshot [--window CLASS [--after MS]] QUILLON_EXE OUTPUT_BMP [WORDS...]: starts the
// window program with the words, waits until its window (the main window, or the client area
// of the top-level window of CLASS) has run a while (2.5 s, or MS milliseconds), copies its
// pixels from the screen into a 24-bit BMP file, then closes the program as the operator
// would. For the README's pictures.
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

HWND WaitForWindow(const wchar_t* window_class) {
    const auto give_up = std::chrono::steady_clock::now() + kWindowPatience;
    while (std::chrono::steady_clock::now() < give_up) {
        if (HWND window = ::FindWindowW(window_class, nullptr);
            window != nullptr && ::IsWindowVisible(window)) {
            return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

// The whole window, or its client area only (a second window's frame may lie under the first).
bool WriteBitmap(const char* path, HWND window, bool client_only) {
    RECT frame;
    ::GetWindowRect(window, &frame);
    if (client_only) {
        ::GetClientRect(window, &frame);
        ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&frame), 2);
    }
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
    std::wstring window_class = L"QuillonMainWindow";
    auto run_before = std::chrono::milliseconds(kRunBeforeThePicture);
    if (argc > 2 && std::string(argv[1]) == "--window") {
        window_class.assign(argv[2], argv[2] + std::string(argv[2]).size());
        argc -= 2;
        argv += 2;
    }
    if (argc > 2 && std::string(argv[1]) == "--after") {
        run_before = std::chrono::milliseconds(std::stoi(argv[2]));
        argc -= 2;
        argv += 2;
    }
    if (argc < 3) {
        std::cerr << "usage: window_snapshot [--window CLASS [--after MS]] QUILLON_EXE OUTPUT_BMP "
                     "[WORDS...]\n";
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
    HWND window = WaitForWindow(window_class.c_str());
    bool written = false;
    if (window != nullptr) {
        std::this_thread::sleep_for(run_before);
        ::BringWindowToTop(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        written = WriteBitmap(argv[2], window, window_class != L"QuillonMainWindow");
    } else {
        std::cerr << "window_snapshot: no window of that class appeared\n";
    }
    // The program ends with its main window.
    if (HWND main = ::FindWindowW(L"QuillonMainWindow", nullptr)) {
        ::PostMessageW(main, WM_CLOSE, 0, 0);
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
