#include "burn/erase_rules.h"

#include "base/ascii_text.h"
#include "drives/byte_size.h"

std::wstring DriveChangedText(const std::wstring& root) {
  return L"The USB drive " + root + L" has changed since the list was made. Press Refresh and choose the drive again.";
}

std::wstring UnknownDiskText(const std::wstring& root) {
  return L"Quillora cannot tell which disk " + root + L" is on. Untick Bootable to format only " + root + L".";
}

std::wstring UnknownDiskLengthText(const std::wstring& root) {
  return L"Quillora cannot read the size of the disk that holds " + root + L". Untick Bootable to format only " + root +
         L".";
}

std::wstring UnknownLetterlessLengthText(const std::wstring& disk) {
  return L"Quillora cannot read the size of " + disk + L".";
}

std::wstring NoLetterAssignedText(const std::wstring& disk) {
  return disk + L" was formatted, but Windows gave it no drive letter, so the image cannot be written onto it.";
}

std::optional<std::wstring> ErasedNeedRefusal(const std::wstring& root, bool bootable, const TNeededVolumes& needed) {
  auto erased = [&](const TVolumeRef& volume) { return ErasedByBurn(needed.Target, bootable, volume); };
  if (erased(needed.Image))
    return L"The ISO image is on the drive that will be erased (" + root + L"). Copy it to another drive first.";
  if (erased(needed.Program))
    return L"Quillora runs from the drive that will be erased (" + root + L"). Start it from another drive.";
  if (needed.TempFolder && erased(*needed.TempFolder))
    return L"The temporary folder \"" + needed.TempPath + L"\" is on the drive that will be erased (" + root + L").";
  return std::nullopt;
}

std::optional<std::wstring> FatVolumeRefusal(TFileSystem fileSystem, int64_t driveSize) {
  if (fileSystem == TFileSystem::Fat && driveSize > FatVolumeLimit) return FatVolumeTooLargeText;
  return std::nullopt;
}

std::optional<std::wstring> TempFolderRefusal(const TFolderState& temp, uint64_t wimSize,
                                              const std::wstring& decimalSeparator) {
  const bool fat = SameTextIgnoringCase(temp.FileSystem, L"FAT") || SameTextIgnoringCase(temp.FileSystem, L"FAT32");
  const bool separated = !temp.Path.empty() && temp.Path.back() == L'\\';
  const std::size_t copyLength = temp.Path.size() + (separated ? 0 : 1) + WimCopyTail.size();
  if (temp.Exists && temp.Readable && !fat && copyLength <= PathLengthLimit)
    return std::nullopt;
  return L"The temporary folder \"" + temp.Path + L"\" cannot hold install.wim (" +
         AsciiUpperCase(FormatByteSize(static_cast<int64_t>(wimSize), decimalSeparator)) +
         L"). Point TEMP to a folder on an NTFS drive with enough free space.";
}
