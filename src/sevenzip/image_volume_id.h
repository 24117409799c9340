#pragma once
// The image's volume id, read from its own descriptors, for the label field.
#include <optional>
#include <string>

class IByteSource;

// The volume identifier of the ISO 9660 primary volume descriptor as isoinfo
// shows it: trailing blanks removed, cut at a NUL. For an image without ISO
// 9660 descriptors, the UDF logical volume identifier, trailing blanks
// removed. None when neither can be read; an empty id is a value.
std::optional<std::wstring> ReadImageVolumeId(IByteSource& image);
