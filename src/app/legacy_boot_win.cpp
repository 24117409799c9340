#include "app/usb_form.h"
#include "app/failure.h"

// Placeholder until the legacy boot step lands.
void TUSBForm::LegacyBootStep(const std::wstring&) {}
