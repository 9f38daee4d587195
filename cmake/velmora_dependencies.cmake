# The system libraries every velmora build links against (the player's build and the fuzz build
# alike), as pkg-config imported targets PkgConfig::NAME.
#
# VELMORA_DEPS_PREFIX names a folder of statically built libraries (scripts/build-static-deps):
# pkg-config then also gives the libraries each of them needs in turn. A Windows build
# (cmake/toolchain-mingw-w64.cmake) looks for them there alone.
set(VELMORA_DEPS_PREFIX "" CACHE PATH "Folder of statically built libraries to link, empty for the system's")
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
if(VELMORA_DEPS_PREFIX)
  set(PKG_CONFIG_ARGN --static)
endif()
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
if(WIN32)
  # GL 1.1 and GLU come from the system's opengl32 and glu32, installed fonts from its font list.
  # SDL's own entry point (SDL2main, main renamed to SDL_main, -mwindows for a program without a
  # console) is left out: the player is a console program with its own main (see
  # platform::leaveOwnConsole).
  get_target_property(sdl_compile_options PkgConfig::SDL2 INTERFACE_COMPILE_OPTIONS)
  list(REMOVE_ITEM sdl_compile_options -Dmain=SDL_main)
  get_target_property(sdl_link_options PkgConfig::SDL2 INTERFACE_LINK_OPTIONS)
  list(REMOVE_ITEM sdl_link_options -mwindows)
  get_target_property(sdl_libraries PkgConfig::SDL2 INTERFACE_LINK_LIBRARIES)
  list(FILTER sdl_libraries EXCLUDE REGEX "SDL2main")
  set_target_properties(PkgConfig::SDL2 PROPERTIES INTERFACE_COMPILE_OPTIONS "${sdl_compile_options}"
    INTERFACE_LINK_OPTIONS "${sdl_link_options}" INTERFACE_LINK_LIBRARIES "${sdl_libraries}")
else()
  pkg_check_modules(OSMESA REQUIRED IMPORTED_TARGET osmesa)
  pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
endif()
