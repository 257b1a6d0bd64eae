#pragma once

// Whether this is an AddressSanitizer build. Such a build reserves terabytes
// of address space for its shadow memory, so a limit on the address space
// (RLIMIT_AS) would stop it at once; code that sets one leaves it out there.
// Plain C++: the .xls reader, which links no Qt, uses it too.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool AddressSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool AddressSanitizerBuild = true;
#else
inline constexpr bool AddressSanitizerBuild = false;
#endif
#else
inline constexpr bool AddressSanitizerBuild = false;
#endif
