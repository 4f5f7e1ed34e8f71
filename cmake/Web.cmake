# The browser build (configured with emcmake by scripts/web.sh): the game's portable libraries over the
# browser backend (src/platform/web), linked into zarvo.js, zarvo.wasm and zarvo.data for the page
# zarvo.html. The data packed in: the game's data folder (data/, or ZARVO_WEB_DATA) as the working
# directory /game, and the text face and General MIDI soundfont where the game looks for them on Debian.
set(ZARVO_WEB_DATA "${CMAKE_SOURCE_DIR}/data" CACHE PATH "The game's data folder packed into the page")
set(ZARVO_WEB_FACE "/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf"
    CACHE FILEPATH "Text face packed into the page (package fonts-comic-neue)")
set(ZARVO_WEB_SOUNDFONT "/usr/share/sounds/sf2/TimGM6mb.sf2"
    CACHE FILEPATH "General MIDI soundfont packed into the page (package timgm6mb-soundfont)")
if(NOT EXISTS ${ZARVO_WEB_DATA}/config.ini)
  message(FATAL_ERROR "${ZARVO_WEB_DATA} holds no config.ini: it is not a Zarvo data folder")
endif()
foreach(file ${ZARVO_WEB_FACE} ${ZARVO_WEB_SOUNDFONT})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing (scripts/web.sh installs it)")
  endif()
endforeach()

set(WEB_DIR ${CMAKE_SOURCE_DIR}/src/platform/web)
file(GLOB WEB_SOURCES CONFIGURE_DEPENDS ${WEB_DIR}/*.cpp)
add_library(zarvo_platform_web STATIC
  ${WEB_SOURCES}
  src/platform/common/music_synth.cpp
  src/platform/common/sdl_keys.cpp
  src/platform/common/text_ttf.cpp
  src/platform/posix/system_posix.cpp)
target_compile_options(zarvo_platform_web PRIVATE ${ZARVO_WARNINGS})
target_link_libraries(zarvo_platform_web PUBLIC zarvo_base SDL2::SDL2-static SDL2_ttf::SDL2_ttf-static)
# emcc puts SDL 1.2's headers on the system include path, ahead of the imported targets' folders: SDL2's
# own are named as an ordinary include folder, which comes first.
target_compile_options(zarvo_platform_web PRIVATE "-I${SDL2_INCLUDE_DIR}")

# In a response file: CMake's makefiles would mangle the '$' of the names on a command line. SDL's audio
# driver calls these from its inline JavaScript, where the linker cannot see them.
file(WRITE ${CMAKE_BINARY_DIR}/web_link.rsp "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=$autoResumeAudioContext,$dynCall\n")

file(GLOB_RECURSE WEB_DATA CONFIGURE_DEPENDS ${ZARVO_WEB_DATA}/*)
add_executable(zarvo src/app/main_game.cpp)
set_target_properties(zarvo PROPERTIES SUFFIX ".js")
target_compile_options(zarvo PRIVATE ${ZARVO_WARNINGS})
target_link_libraries(zarvo PRIVATE zarvo_game zarvo_platform_web)
target_link_options(zarvo PRIVATE
  # No global Module: the page also loads libfluidsynth, whose script owns that name.
  -sMODULARIZE=1 -sEXPORT_NAME=createZarvo
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web
  # The module's file system, for the page and its tests (the player's files are read there).
  -sEXPORTED_RUNTIME_METHODS=FS
  "@${CMAKE_BINARY_DIR}/web_link.rsp"
  -lidbfs.js
  "SHELL:--js-library ${WEB_DIR}/web_library.js"
  "SHELL:--pre-js ${WEB_DIR}/web_pre.js"
  "SHELL:--preload-file ${ZARVO_WEB_DATA}@/game"
  "SHELL:--preload-file ${ZARVO_WEB_FACE}@${ZARVO_WEB_FACE}"
  "SHELL:--preload-file ${ZARVO_WEB_SOUNDFONT}@${ZARVO_WEB_SOUNDFONT}")
set_property(TARGET zarvo APPEND PROPERTY LINK_DEPENDS ${WEB_DIR}/web_library.js ${WEB_DIR}/web_pre.js ${WEB_DATA})
