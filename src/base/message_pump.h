#pragma once
// Processes the thread's pending window messages once, then returns.
void ProcessPendingMessages();
// Runs the thread's message loop until WM_QUIT; returns the quit code.
int RunMessageLoop();
