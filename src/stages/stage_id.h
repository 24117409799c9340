#pragma once

enum StageId : int {
  ReadVolumeId = 0,
  FormatDrive = 1,
  WriteLabel = 2,
  BurnImage = 3,
  CreateBootable = 4,
  BootSectNt52 = 5,
  BootSectNt60 = 6,
  SplitImage = 7,  // install.wim split into .swm parts for FAT32
};
