#pragma once
// Stage 3, the image burn (TUSBForm::BurnImageStage), and its progress routine.
#include <cstdint>

#include "sevenzip/drive_root_listing.h"
#include "sevenzip/sevenzip.h"

// The progress routine handed to the binding: moves USBForm's bar and
// processes pending window messages once. Always S_OK; never raises.
THResult ExtractProgress(void* sender, bool total, int64_t value);
