#pragma once
// Stage 3, the image burn (TUSBForm::BurnImageStage), and its progress routine.
#include <cstdint>
#include <string>
#include <vector>

#include "sevenzip/sevenzip.h"

// The progress routine handed to the binding: moves USBForm's bar and
// processes pending window messages once. Always S_OK; never raises.
THResult ExtractProgress(void* sender, bool total, int64_t value);

// Names in the drive root (pattern root + "*"), in the order found; a search
// that fails part-way keeps the names found until then.
std::vector<std::wstring> ListDriveRoot(const std::wstring& root);
