#include "burn/support_files.h"

TStageCommandParts CommandParts(const TSupportFiles& files) {
  TStageCommandParts parts;
  parts.AppPath = files.AppPath;
  parts.FormatPath = files.FormatPath;
  parts.LabelPath = files.LabelPath;
  parts.DiskPartPath = files.DiskPartPath;
  parts.BootSectPath = files.BootSectPath;
  parts.DismPath = files.DismPath;
  return parts;
}
