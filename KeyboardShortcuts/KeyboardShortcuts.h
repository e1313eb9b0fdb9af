#pragma once

// Named, user-changeable global keyboard shortcuts: values (Shortcut, Key,
// ModifierFlag), names and their persistence, handlers and streams, hot-key
// registration, display texts and the subsystem's localized texts.

#include "CarbonKeyboardShortcuts.h"
#include "EventStream.h"
#include "EventType.h"
#include "Key.h"
#include "KeyDisplay.h"
#include "KeyEvent.h"
#include "Localization.h"
#include "MenuTracking.h"
#include "ModifierFlags.h"
#include "Name.h"
#include "NamedShortcuts.h"
#include "Shortcut.h"
