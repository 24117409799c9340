#include "app/usb_form.h"
#include "app/failure.h"

// Placeholder until the burn workflow lands.
void TUSBForm::BurnButtonClick() {}
