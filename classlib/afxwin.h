#pragma once
// The whole class library.
#include "app.h"
#include "controls.h"
#include "cstring.h"
#include "ctime.h"
#include "dialog.h"
#include "frame.h"
#include "gdi.h"
#include "propsheet.h"
#include "ribbon.h"
#include "seams.h"
#include "thread.h"
#include "wnd.h"
