// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

// windows.h names MessageBox as a macro for MessageBoxA; the prompter's MessageBox is ours,
// and the window calls MessageBoxW by its own name.
#undef MessageBox
