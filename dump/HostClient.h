// Finds a service client of the maker on the USB drives and reads its encrypted device type.
#pragma once
#include "crypto/AesCipher.h"

#include <string>

// The device type from the first client found on the USB drive roots, in drive-letter order;
// 0 when there is none.
int FindHostClientDeviceType(CAesCipher& aes);
// The device type stored in one DeviceInfo.ini: the leading digits of its decoded value.
int ReadDeviceTypeFile(CAesCipher& aes, const std::wstring& iniPath);
