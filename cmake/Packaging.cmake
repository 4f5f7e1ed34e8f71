# Installing and packaging. `cmake --install` puts the game, its data, the desktop entry, the icons, the
# AppStream metainfo, the man pages and the guides in their places under the prefix; `cpack -G DEB`
# (scripts/package.sh) makes a Debian package of the same files for a build configured with the prefix
# /usr.

# The AppStream component id (reverse DNS); the desktop entry is installed under the same name, as
# AppStream asks. The addresses software centres show, and where they fetch the README's screenshots.
set(ZARVO_APP_ID io.github.zarvo.Zarvo)
set(ZARVO_HOMEPAGE https://github.com/zarvo/zarvo)
set(ZARVO_SCREENSHOT_URL https://raw.githubusercontent.com/zarvo/zarvo/main/docs/screenshots)

# The release history is packaging/changelog, in Debian's changelog format; its newest entry must be the
# version the program says it is (ZARVO_VERSION). The AppStream releases, the man pages' date and the
# package's maintainer come from it too. A ';' would split a CMake list: it is held as a placeholder
# while the lines are read.
file(READ packaging/changelog changelog_text)
string(REPLACE ";" "@SEMICOLON@" changelog_text "${changelog_text}")
string(REPLACE "\n" ";" ZARVO_CHANGELOG_LINES "${changelog_text}")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(month_names January February March April May June July August September October November December)
set(ZARVO_RELEASES "")
set(release_version "")
set(release_notes "")
foreach(line IN LISTS ZARVO_CHANGELOG_LINES)
  if(line MATCHES "^zarvo \\(([^)]+)\\) ")
    set(release_version ${CMAKE_MATCH_1})
    set(release_notes "")
  elseif(line MATCHES "^  \\* (.*)$")
    list(APPEND release_notes "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^    (.*)$" AND release_notes)
    list(POP_BACK release_notes note)
    list(APPEND release_notes "${note} ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^ -- (.+ <[^>]+>)  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(signer "${CMAKE_MATCH_1}")
    set(day ${CMAKE_MATCH_2})
    set(year ${CMAKE_MATCH_4})
    list(FIND months ${CMAKE_MATCH_3} month)
    if(month LESS 0 OR NOT release_version)
      message(FATAL_ERROR "packaging/changelog: cannot read the entry line \"${line}\"")
    endif()
    if(NOT ZARVO_NEWEST_RELEASE)
      # The newest entry.
      list(GET month_names ${month} month_name)
      set(ZARVO_RELEASE_MONTH "${month_name} ${year}")
      set(ZARVO_NEWEST_RELEASE ${release_version})
      string(REPLACE "@SEMICOLON@" ";" ZARVO_MAINTAINER "${signer}")
    endif()
    math(EXPR month "${month} + 1")
    if(month LESS 10)
      set(month 0${month})
    endif()
    string(APPEND ZARVO_RELEASES "    <release version=\"${release_version}\" date=\"${year}-${month}-${day}\">\n"
           "      <description>\n        <ul>\n")
    foreach(note IN LISTS release_notes)
      string(REPLACE "&" "&amp;" note "${note}")
      string(REPLACE "<" "&lt;" note "${note}")
      string(REPLACE ">" "&gt;" note "${note}")
      string(REPLACE "@SEMICOLON@" ";" note "${note}")
      string(APPEND ZARVO_RELEASES "          <li>${note}</li>\n")
    endforeach()
    string(APPEND ZARVO_RELEASES "        </ul>\n      </description>\n    </release>\n")
    set(release_version "")
  endif()
endforeach()
string(REGEX REPLACE "\n$" "" ZARVO_RELEASES "${ZARVO_RELEASES}")
if(NOT ZARVO_NEWEST_RELEASE STREQUAL ZARVO_VERSION)
  message(FATAL_ERROR "packaging/changelog: its newest entry is \"${ZARVO_NEWEST_RELEASE}\" but the game is "
                      "version ${ZARVO_VERSION}: add an entry for ${ZARVO_VERSION} at its top")
endif()

# Files made from the templates of packaging/ with the install's own paths, and the compressed ones.
set(ZARVO_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/zarvo)
set(ZARVO_DOC_DIR ${CMAKE_INSTALL_FULL_DOCDIR})
set(gen ${CMAKE_BINARY_DIR}/packaging)
configure_file(packaging/zarvo.metainfo.xml.in ${gen}/${ZARVO_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/copyright.in ${gen}/copyright @ONLY)
set(compressed)
foreach(page zarvo zarvo-headless zarvo-level)
  configure_file(packaging/${page}.6.in ${gen}/${page}.6 @ONLY)
  list(APPEND compressed ${gen}/${page}.6)
endforeach()
configure_file(packaging/changelog ${gen}/changelog COPYONLY)
list(APPEND compressed ${gen}/changelog)
# gzip -9n, as Debian compresses man pages and changelogs: no name or time in the header, so the same
# file gives the same bytes.
set(compressed_outputs)
foreach(file IN LISTS compressed)
  add_custom_command(OUTPUT ${file}.gz COMMAND sh -c "gzip -9n -c \"$0\" > \"$0.gz\"" ${file} DEPENDS ${file}
                     VERBATIM)
  list(APPEND compressed_outputs ${file}.gz)
endforeach()
add_custom_target(zarvo_install_files ALL DEPENDS ${compressed_outputs})

# Files are installed readable by all and written by root only, whatever the checkout's modes.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(file_mode FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(dir_mode DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

# The game and the runner, and the CAD level converter: the script in bin, its drawing reader and the map
# pieces it shares with the content generators where the script looks for them.
install(TARGETS zarvo zarvo-headless RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS tools/zarvo-level DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES tools/level_drawing.py tools/content_maps.py tools/content_geometry.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvo-level)
# The bundled game.
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvo ${file_mode} ${dir_mode}
        PATTERN error.txt EXCLUDE PATTERN screenshots EXCLUDE)
# The desktop menu and software centres.
install(FILES packaging/zarvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${ZARVO_APP_ID}.desktop)
install(FILES ${gen}/${ZARVO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
  install(FILES packaging/icons/zarvo-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME zarvo.png)
endforeach()
install(FILES ${gen}/zarvo.6.gz ${gen}/zarvo-headless.6.gz ${gen}/zarvo-level.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The README and the guides, laid out as in the sources so that their links and pictures work, the
# guide's example drawing, the copyright and the changelog.
file(GLOB ZARVO_GUIDES CONFIGURE_DEPENDS docs/*.md)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${ZARVO_GUIDES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(DIRECTORY docs/screenshots DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs ${file_mode} ${dir_mode})
install(FILES tools/examples/annex.dxf DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${gen}/copyright ${gen}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: zarvo_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvo)
set(CPACK_PACKAGE_VERSION ${ZARVO_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZARVO_MAINTAINER}")
set(CPACK_PACKAGE_VENDOR "Zarvo maintainers")
set(CPACK_PACKAGE_HOMEPAGE_URL ${ZARVO_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "first-person action game drawn in wireframe")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description.txt)
# The package installs where the program looks for its data.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link, found by dpkg-shlibdeps, and what the game loads by name: a text face
# (Comic Neue, else DejaVu Sans), a General MIDI soundfont for the music (the small TimGM6mb first) and
# Python for zarvo-level, which reads drawings with ezdxf.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-comic-neue | fonts-dejavu-core, timgm6mb-soundfont | fluid-soundfont-gm | musescore-general-soundfont, python3")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS python3-ezdxf)
include(CPack)
