#pragma once

#include "app/App.h"

#include <string>

// Switches the program to a pack, as loading a composition does: no readme, nothing to show.
inline void usePack(zaffo::App& app, const std::string& name) {
    zaffo::CommandOutput unheard;
    app.core().usePack(name, false, unheard);
}
