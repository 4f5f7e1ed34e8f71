# The window's icon built into the SDL backend: cmake/icon_pixels.py turns the 48- and 256-pixel icons
# of packaging/icons into a header of pixels (src/platform/sdl/sdl_icon.cpp), so the running game needs
# no icon file. With Xlib at hand the backend writes both sizes into the X11 window's icon property.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZARVO_ICON_HEADER_DIR ${CMAKE_BINARY_DIR}/generated)
set(ZARVO_ICON_HEADER ${ZARVO_ICON_HEADER_DIR}/zarvo_icon_pixels.h)
add_custom_command(
  OUTPUT ${ZARVO_ICON_HEADER}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZARVO_ICON_HEADER_DIR}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/icon_pixels.py ${ZARVO_ICON_HEADER}
          kIcon48=${CMAKE_SOURCE_DIR}/packaging/icons/zarvo-48.png
          kIcon256=${CMAKE_SOURCE_DIR}/packaging/icons/zarvo-256.png
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/icon_pixels.py ${CMAKE_SOURCE_DIR}/packaging/icons/zarvo-48.png
          ${CMAKE_SOURCE_DIR}/packaging/icons/zarvo-256.png
  COMMENT "Window icon pixels from packaging/icons"
  VERBATIM)
target_sources(zarvo_platform_sdl PRIVATE ${ZARVO_ICON_HEADER})
target_include_directories(zarvo_platform_sdl PRIVATE ${ZARVO_ICON_HEADER_DIR})
pkg_check_modules(X11 IMPORTED_TARGET x11)
if(X11_FOUND)
  target_compile_definitions(zarvo_platform_sdl PRIVATE ZARVO_X11_ICON)
  target_link_libraries(zarvo_platform_sdl PRIVATE PkgConfig::X11)
endif()
