#include "drives/autorun_guard.h"
// Placeholder until the AutoRun guard lands.
void TAutoRunGuard::DisableAutoRun() {}
void TAutoRunGuard::RestoreAutoRun() {}
