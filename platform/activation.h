// Whether this application is the active one, and notices when that changes. The state
// follows the window system's application state; tests may set it by hand.
#pragma once

#include <functional>

namespace prismcrate::activation {

using Listener = std::function<void(bool active)>;

// True while one of the application's windows is the active window. Without a
// QGuiApplication the application counts as active.
bool isActive();

// Adds a listener called on every change of the state; returns its key for remove().
int addListener(Listener listener);
void removeListener(int key);

// Sets the state and, when it changed, tells every listener in the order they were added.
void setActive(bool active);

}  // namespace prismcrate::activation
