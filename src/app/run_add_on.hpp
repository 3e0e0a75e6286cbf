// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

namespace quillon {

class Application;
class EventLogging;
class HostControl;
class Platform;

// What a live run is made of, for a part that a program adds beside it.
struct RunParts {
    Application& application;
    EventLogging& logging;
    HostControl& host;
    Platform& platform;
};

// A part a program adds to a live run (the fleet publisher). It is made before Load, so that
// it hears every event; it learns the instance's name when Load is done.
class RunAddOn {
public:
    virtual ~RunAddOn() = default;
    virtual void Loaded() = 0;
};

// Makes the program's add-on, or nothing when it is not wanted.
using RunAddOnMaker = std::function<std::unique_ptr<RunAddOn>(const RunParts& parts)>;

}  // namespace quillon
