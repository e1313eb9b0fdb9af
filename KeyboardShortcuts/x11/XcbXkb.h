#pragma once
// xcb/xkb.h names a struct member "explicit", a C++ keyword; include it only through here.

#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
