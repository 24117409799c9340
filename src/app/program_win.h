#pragma once
// The program from start to end: COM, the common controls, the one window
// and its message loop.
#include <windows.h>

#include <functional>

class IDriveQuery;
class TUSBForm;

// Returns the exit code: the message loop's, or 1 when the window could not
// be made (its failure shown in a box first). The drive list asks `drives`.
// `shown` runs once the window is up, before the loop (tests measure the
// window there).
int RunQuillora(HINSTANCE instance, IDriveQuery& drives, const std::function<void(TUSBForm&)>& shown = {});
