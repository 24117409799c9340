#include "app/usb_form.h"
#include "app/failure.h"

// Placeholder until the image stage lands.
bool TUSBForm::BurnImageStage(const std::wstring&) { return false; }
