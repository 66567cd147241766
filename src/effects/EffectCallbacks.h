#pragma once
#include <string>
#include <vector>

#include "effects/EffectCallArgs.h"

// The callbacks that effect data name, found by name when the data are loaded. The table holds
// the standard callbacks from the start; other layers (widgets, screens) add theirs at start-up,
// before "cfg\\effect.xml" is read.
void RegisterEffectCallback(const std::string& name, EffectCallback callback);
// The callback of that name, or null.
EffectCallback FindEffectCallback(const std::string& name);
// Every registered name, sorted.
std::vector<std::string> EffectCallbackNames();

// Held while any effect has locked the widgets (the WidgetsLock callback, used while dialogs
// animate): the widget manager ignores clicks meanwhile.
bool AreWidgetsLocked();
// Drops the lock an effect holds (effects call it when they go away).
void ReleaseWidgetsLock(const ZCEffect* effect);
