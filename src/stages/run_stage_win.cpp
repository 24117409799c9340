#include "app/usb_form.h"
#include "app/failure.h"

// Placeholder until the stage table lands.
bool TUSBForm::RunStage(StageId) { return false; }
bool TUSBForm::RunDiskPartScript(StageId, const std::wstring&) { return false; }
void TUSBForm::BrowseButtonClick() {}
