#pragma once

#include "Messages.h"
#include "data/Error.h"

#include <exception>
#include <utility>

namespace ui {

// Runs one user action. An error ends the action where it happened and is shown with its
// own text; the window stays usable and what already ran stays committed. Nothing throws
// through the event loop. Returns false when the action was ended by an error.
template <class Action> bool guarded(Action&& action, QWidget* parent = nullptr) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const data::Error& e) {
        Messages::error(e.text(), parent);
    } catch (const std::exception& e) {
        Messages::error(QString::fromUtf8(e.what()), parent);
    }
    return false;
}

} // namespace ui
