# The Debian package, made by scripts/package with CPack: configured with the prefix /usr and the
# program in games/ (Debian's games policy), its libraries found by dpkg-shlibdeps.
set(CANNONCAR_MAINTAINER "cannoncar developers <cannoncar@example.org>"
  CACHE STRING "The package's maintainer, as \"Name <address>\"")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cannoncar)
set(CPACK_PACKAGE_VENDOR "cannoncar developers")
set(CPACK_PACKAGE_CONTACT ${CANNONCAR_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D physics game: a cannon car against ten MiGs")
set(CPACK_PACKAGE_DESCRIPTION
  "Drive a four-wheeled car with a four-barrelled cannon across a flat plain\n"
  "and shoot down the ten MiGs flying in toward you, with sixteen missiles\n"
  "fired in turn and used again and again. Everything is simulated by the\n"
  "ODE physics engine. Games can be recorded and replayed, traced frame by\n"
  "frame, and run without a window.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libepoxy opens EGL at run time, so dpkg-shlibdeps cannot see it; the offscreen pictures need it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libegl1)
# The overlay's font for its Hangul lines; without it the overlay falls back to Latin only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-nanum)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
