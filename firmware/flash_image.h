// The device's firmware image as its flash holds it, shared by the file reader, the link that
// sends the image and the tools that check it.
#pragma once

// Size of the device's firmware image.
inline constexpr int FirmwareImageCapacity = 0x20000;

// Value of every image byte that no record of a file covers: the state of erased flash.
inline constexpr unsigned char ImageFillByte = 0xFF;
