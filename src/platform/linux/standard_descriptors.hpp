// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 the parent left closed. Runs first
// thing in main(): otherwise the next file opened takes the free number, and whatever is
// written to standard error lands in it.
void OpenMissingStandardDescriptors();

}  // namespace quillon
