#include "app/usb_form.h"
#include "app/failure.h"

// Placeholder until the runner lands.
TToolRunner::~TToolRunner() = default;
TToolRunner::TToolOutcome TToolRunner::RunToolCommand(const std::wstring&, int, std::wstring&) { return TToolOutcome::NotStarted; }
void TToolRunner::DrainToolOutput(int, std::wstring&) {}
void TToolRunner::ReleaseToolProcess() {}
void TToolRunner::ProcessMessages() {}
