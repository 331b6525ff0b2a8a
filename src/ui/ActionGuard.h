#pragma once

#include "Messages.h"
#include "data/Error.h"

#include <exception>
#include <utility>

namespace ui {

// Runs one user action. An error ends the action where it happened and is shown with its
// own text (under its own caption, if it has one); the window stays usable and what already ran
// stays committed. Nothing throws through the event loop. Returns false when the action was ended
// by an error.
template <class Action> bool guarded(Action&& action, QWidget* parent = nullptr) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const data::Error& e) {
        if (e.caption().isEmpty())
            Messages::error(e.text(), parent);
        else
            Messages::show(e.caption(), e.text(), Messages::Icon::Error, Messages::Buttons::Ok,
                           parent);
    } catch (const std::exception& e) {
        Messages::error(QString::fromUtf8(e.what()), parent);
    }
    return false;
}

} // namespace ui
