// Whether the tests run with the sanitizers, which make every key several times slower;
// the heaviest searches are then scaled down and left to the optimised build.
#pragma once

namespace prismcrate::testing {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSlowBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSlowBuild = true;
#else
constexpr bool kSlowBuild = false;
#endif
#else
constexpr bool kSlowBuild = false;
#endif

}  // namespace prismcrate::testing
