# The system libraries every velmora build links against (the player's build and the fuzz build
# alike), as pkg-config imported targets PkgConfig::NAME.
#
# VELMORA_DEPS_PREFIX names a folder of statically built libraries (scripts/build-static-deps):
# pkg-config then also gives the libraries each of them needs in turn. A Windows build
# (cmake/toolchain-mingw-w64.cmake) looks for them there alone.
set(VELMORA_DEPS_PREFIX "" CACHE PATH "Folder of statically built libraries to link, empty for the system's")
find_package(PkgConfig REQUIRED)
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
