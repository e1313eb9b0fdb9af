#pragma once

#include <voxcore/Locale.h>

#include <QStringList>

// Sentences for the user to read when training to their voice, one list per language:
// sayline/prompts/<language>.txt in the user's and then the system's data folders, else the
// built-in list. One prompt a line; empty lines and lines starting with '#' are not prompts.
// Empty when the language has none.
QStringList voicePrompts(const Locale &locale);
