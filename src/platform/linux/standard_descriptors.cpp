// SPDX-License-Identifier: MIT
#include "platform/linux/standard_descriptors.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quillon {

void OpenMissingStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // open() returns the lowest free number, which is this one; not close-on-exec, so
        // that the programs Quillon starts have the three as well.
        const int opened = ::open("/dev/null", O_RDWR | O_NOCTTY);
        if (opened != fd && opened >= 0) {
            ::close(opened);
        }
    }
}

}  // namespace quillon
