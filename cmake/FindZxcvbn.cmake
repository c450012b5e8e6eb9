# Finds zxcvbn-c, the password strength estimator, and defines the imported
# target Zxcvbn::Zxcvbn. Its dictionary is compiled into the library, so no
# file is needed at run time.
# Linux: Debian's libzxcvbn-dev (no pkg-config file; the shared library, so
# the package's dependency comes from shlibdeps). The Windows cross-build:
# the static library that scripts/build-zxcvbn-windows.sh installs into the
# Qt SDK, where the toolchain's search roots find it.
find_path(Zxcvbn_INCLUDE_DIR zxcvbn.h)
if(MINGW)
  set(_zxcvbn_names libzxcvbn.a zxcvbn)
else()
  set(_zxcvbn_names zxcvbn)
endif()
find_library(Zxcvbn_LIBRARY NAMES ${_zxcvbn_names})
unset(_zxcvbn_names)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Zxcvbn REQUIRED_VARS Zxcvbn_LIBRARY Zxcvbn_INCLUDE_DIR)
mark_as_advanced(Zxcvbn_INCLUDE_DIR Zxcvbn_LIBRARY)

if(Zxcvbn_FOUND AND NOT TARGET Zxcvbn::Zxcvbn)
  add_library(Zxcvbn::Zxcvbn UNKNOWN IMPORTED)
  set_target_properties(Zxcvbn::Zxcvbn PROPERTIES
    IMPORTED_LOCATION "${Zxcvbn_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Zxcvbn_INCLUDE_DIR}")
endif()
