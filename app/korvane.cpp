// The one application object of korvane.exe; the class library's entry runs it.
#include "korvane_app.h"

CKorvaneApp theApp;
