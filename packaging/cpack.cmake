# cpack reads this file for every package it makes. A Debian package's dependencies are those
# dpkg-shlibdeps finds in the tool; without it the package would name none, so cpack stops. The
# command it gives also installs file, which cpack needs to pick out the tool.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(VANTOREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT VANTOREL_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "A Debian package needs dpkg-shlibdeps and file to name its "
      "dependencies: apt-get install dpkg-dev file")
  endif()
endif()
