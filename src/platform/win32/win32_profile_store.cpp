// SPDX-License-Identifier: MIT
#include "platform/win32/win32_profile_store.hpp"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/com_text.hpp"

namespace quillon {

std::string Win32ProfileStore::NameFor(const std::string& file) const {
    return directory_.empty() ? file : directory_ + "\\" + file;
}

std::string Win32ProfileStore::PathOf(const std::string& file) const {
    if (!directory_.empty()) {
        return NameFor(file);
    }
    char windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    return (length > 0 && length < MAX_PATH ? std::string(windows, length) : "C:\\Windows") + "\\" +
           file;
}

std::string Win32ProfileStore::Read(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& fallback) {
    // The function cuts a value at the buffer's size without saying so: a value that fills
    // the buffer is read again with a larger one.
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD length = ::GetPrivateProfileStringA(
            section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
            static_cast<DWORD>(buffer.size()), NameFor(file).c_str());
        if (length + 1 < buffer.size() || buffer.size() >= 1U << 20) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 4);
    }
}

bool Win32ProfileStore::Write(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value) {
    if (::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                     NameFor(file).c_str())) {
        return true;
    }
    last_error_ = "cannot write " + PathOf(file) + ": " + SystemMessage(::GetLastError());
    return false;
}

void Win32ProfileStore::RequireReadable(const std::string& file) {
    const std::string path = PathOf(file);
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        return;
    }
    const DWORD reason = ::GetLastError();
    if (reason != ERROR_FILE_NOT_FOUND && reason != ERROR_PATH_NOT_FOUND) {
        throw std::runtime_error("cannot read " + path + ": " + SystemMessage(reason));
    }
}

}  // namespace quillon
