#include "mobile/credentials.h"

#include <algorithm>
#include <cstdio>

namespace kelmar {
namespace {

// Character code at 1-based position i; 0 past the end.
int64_t CodeAt(std::string_view text, size_t i) {
  if (i == 0 || i > text.size()) return 0;
  return static_cast<unsigned char>(text[i - 1]);
}

}  // namespace

bool VERSIONVALIDA(std::string_view version) {
  static constexpr std::string_view kMinimum = "1.5";
  if (version.empty()) return false;
  size_t n = std::min(version.size(), kMinimum.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char a = version[i];
    unsigned char b = kMinimum[i];
    if (a != b) return a > b;
  }
  return version.size() >= kMinimum.size();
}

std::string TRANFOCLAV(std::string_view password) {
  static constexpr int64_t kPositionConstant[5] = {48391, 6072, 2956, 614, 392};
  std::string out;
  for (size_t i = 1; i <= 5; ++i) {
    int64_t cube = static_cast<int64_t>(i * i * i);
    int64_t value = (CodeAt(password, i) + kPositionConstant[i - 1]) * cube;
    char piece[24];
    std::snprintf(piece, sizeof piece, "%5lld", static_cast<long long>(value));
    out += piece;
  }
  return out;
}

int64_t PermissionCheckNumber(std::string_view rut, std::string_view user,
                              std::string_view permission) {
  int64_t sum = 0;
  for (size_t i = 1; i <= 8; ++i) {
    int64_t sq = static_cast<int64_t>(i * i);
    sum += CodeAt(rut, i) * sq + CodeAt(permission, i) * sq;
  }
  for (size_t i = 1; i <= 3; ++i) {
    sum += CodeAt(user, i) * static_cast<int64_t>(i * i * i);
  }
  return sum;
}

}  // namespace kelmar
