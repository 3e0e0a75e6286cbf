// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

// The e-mail agent's program as this platform's launcher finds it: "pellomar" beside Quillon
// or on the PATH on Linux, "Pellomar.exe" as Windows finds a bare program name.
extern const char kMailAgentProgram[];

}  // namespace quillon
