# libsodium as the imported target Sodium::Sodium, found through pkg-config.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
if(NOT TARGET Sodium::Sodium)
  add_library(Sodium::Sodium ALIAS PkgConfig::SODIUM)
endif()
set(Sodium_FOUND TRUE)
