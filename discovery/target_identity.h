#pragma once

#include <cstdint>

inline constexpr std::uint16_t kUsbIo2VendorId = 0x1352;
inline constexpr std::uint16_t kUsbIo2ProductId = 0x0120;
inline constexpr std::uint16_t kUsbIo2AltProductId = 0x0121;

// True for the USB identities of a USB-IO2 unit; the version number is not examined.
constexpr bool IsUsbIo2Identity(std::uint16_t vendorId, std::uint16_t productId) {
  return vendorId == kUsbIo2VendorId &&
         (productId == kUsbIo2ProductId || productId == kUsbIo2AltProductId);
}
