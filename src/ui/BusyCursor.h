#pragma once

namespace ui {

// Shows the busy cursor for as long as it lives, also when the action ends in an error.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace ui
