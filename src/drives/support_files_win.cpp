#include "app/usb_form.h"
#include "app/failure.h"

// Placeholder until the host checks land.
bool TUSBForm::CheckSupportFiles() { return false; }
