#pragma once
// Processes the thread's pending window messages once, then returns.
void ProcessPendingMessages();
