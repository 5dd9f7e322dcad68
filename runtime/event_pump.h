#pragma once

namespace runtime {

class EventPump {
public:
    virtual ~EventPump() = default;
    /// Lets the window handle the events that are pending, then returns.
    virtual void do_events() = 0;
};

}  // namespace runtime
