# Finds libsodium and defines the imported target Sodium::Sodium.
# Linux: through pkg-config (Debian's libsodium-dev). The Windows cross-build:
# the static library that scripts/build-libsodium-windows.sh installs into the
# Qt SDK, where the toolchain's search roots find it (pkg-config is off there).
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND AND PKG_CONFIG_EXECUTABLE)
  pkg_check_modules(PC_Sodium QUIET libsodium)
endif()

find_path(Sodium_INCLUDE_DIR sodium.h HINTS ${PC_Sodium_INCLUDE_DIRS})
if(MINGW)
  set(_sodium_names libsodium.a sodium)
else()
  set(_sodium_names sodium)
endif()
find_library(Sodium_LIBRARY NAMES ${_sodium_names} HINTS ${PC_Sodium_LIBRARY_DIRS})
unset(_sodium_names)

if(Sodium_INCLUDE_DIR AND EXISTS "${Sodium_INCLUDE_DIR}/sodium/version.h")
  file(STRINGS "${Sodium_INCLUDE_DIR}/sodium/version.h" _sodium_version
       REGEX "^#define SODIUM_VERSION_STRING ")
  string(REGEX REPLACE ".*\"(.*)\".*" "\\1" Sodium_VERSION "${_sodium_version}")
  unset(_sodium_version)
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Sodium
  REQUIRED_VARS Sodium_LIBRARY Sodium_INCLUDE_DIR
  VERSION_VAR Sodium_VERSION)
mark_as_advanced(Sodium_INCLUDE_DIR Sodium_LIBRARY)

if(Sodium_FOUND AND NOT TARGET Sodium::Sodium)
  add_library(Sodium::Sodium UNKNOWN IMPORTED)
  set_target_properties(Sodium::Sodium PROPERTIES
    IMPORTED_LOCATION "${Sodium_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Sodium_INCLUDE_DIR}")
  if(WIN32 AND Sodium_LIBRARY MATCHES "\\.a$")
    # A static archive: the headers must not ask for dllimport, and its
    # random source is RtlGenRandom from advapi32.
    set_target_properties(Sodium::Sodium PROPERTIES
      INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
      INTERFACE_LINK_LIBRARIES advapi32)
  endif()
endif()
