# The system libraries every velmora build links against (the player's build and the fuzz build
# alike), as pkg-config imported targets PkgConfig::NAME.
find_package(PkgConfig REQUIRED)
if(VELMORA_RELEASE)
  # The release player: the same names, as static libraries from VELMORA_DEPS_PREFIX (GLU and
  # fontconfig, not among them, from Debian's own static libraries), and OSMesa's header alone.
  set(ENV{PKG_CONFIG_LIBDIR} ${VELMORA_DEPS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  foreach(pair SDL2:sdl2 OPENMPT:libopenmpt SNDFILE:sndfile PNG:libpng FREETYPE:freetype2)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 name)
    list(GET pair 1 module)
    pkg_check_modules(${name} REQUIRED ${module})
    add_library(PkgConfig::${name} INTERFACE IMPORTED)
    target_include_directories(PkgConfig::${name} INTERFACE ${${name}_STATIC_INCLUDE_DIRS})
    target_compile_options(PkgConfig::${name} INTERFACE ${${name}_STATIC_CFLAGS_OTHER})
    target_link_libraries(PkgConfig::${name} INTERFACE ${${name}_STATIC_LDFLAGS})
  endforeach()
  set(debian_lib /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
  add_library(PkgConfig::GLU INTERFACE IMPORTED)
  target_link_libraries(PkgConfig::GLU INTERFACE ${debian_lib}/libGLU.a)
  add_library(PkgConfig::FONTCONFIG INTERFACE IMPORTED)
  # FreeType and what it needs again behind fontconfig, by path: the link line names them once
  # otherwise, before it.
  target_link_libraries(PkgConfig::FONTCONFIG INTERFACE ${debian_lib}/libfontconfig.a ${debian_lib}/libexpat.a
    ${VELMORA_DEPS_PREFIX}/lib/libfreetype.a ${VELMORA_DEPS_PREFIX}/lib/libpng16.a ${VELMORA_DEPS_PREFIX}/lib/libz.a)
  add_library(PkgConfig::OSMESA INTERFACE IMPORTED)
  return()
endif()
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(OSMESA REQUIRED IMPORTED_TARGET osmesa)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
