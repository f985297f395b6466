// The one builder of WAV file bytes for every test: a canonical header, or blocks placed at any
// position for the layouts the probe must cope with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Puts bytes at pos, growing b with zero bytes as needed.
inline void PutBytes(std::string* b, size_t pos, std::string_view bytes) {
  if (b->size() < pos + bytes.size()) b->resize(pos + bytes.size(), '\0');
  std::copy(bytes.begin(), bytes.end(), b->begin() + static_cast<std::ptrdiff_t>(pos));
}

inline void PutLe(std::string* b, size_t pos, uint32_t value, int width) {
  std::string bytes;
  for (int i = 0; i < width; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xff);
  PutBytes(b, pos, bytes);
}

// A RIFF WAVE header with its format block's tag at fmt and its data tag at data, for integer
// PCM with the given channels, rate and bits, declaring data_size bytes of sample data.
inline std::string WavBytes(size_t fmt, size_t data, uint32_t channels, uint32_t rate,
                            uint32_t bits, uint32_t data_size) {
  std::string b;
  uint32_t block = channels * (bits / 8);
  PutBytes(&b, 0, "RIFF");
  PutLe(&b, 4, 36 + data_size, 4);
  PutBytes(&b, 8, "WAVE");
  PutBytes(&b, fmt, "fmt ");
  PutLe(&b, fmt + 4, 16, 4);
  PutLe(&b, fmt + 8, 1, 2);
  PutLe(&b, fmt + 10, channels, 2);
  PutLe(&b, fmt + 12, rate, 4);
  PutLe(&b, fmt + 16, rate * block, 4);
  PutLe(&b, fmt + 20, block, 2);
  PutLe(&b, fmt + 22, bits, 2);
  PutBytes(&b, data, "data");
  PutLe(&b, data + 4, data_size, 4);
  return b;
}

// The canonical 44-byte header for frames sample frames.
inline std::string WavHeader(uint32_t frames, uint32_t rate = 44100, uint16_t channels = 2,
                             uint16_t bits = 16) {
  return WavBytes(12, 36, channels, rate, bits, frames * channels * (bits / 8));
}

inline std::span<const uint8_t> AsBytes(const std::string& b) {
  return {reinterpret_cast<const uint8_t*>(b.data()), b.size()};
}
