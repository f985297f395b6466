// The pieces every text of the run is assembled from.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace vantorel {

// Appends the pieces in order.
inline void Append(std::string* out, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) out->append(piece);
}

// An integer in decimal, as every text writes it.
template <typename Integer>
std::string Number(Integer n) {
  return std::to_string(n);
}

}  // namespace vantorel
