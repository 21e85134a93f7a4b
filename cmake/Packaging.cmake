# What `cmake --install` and CPack put where, and the Debian package (tools/package.sh).
# Desktop integration (menu entry, AppStream metainfo, icons), man pages and the bash completion
# are made here from data/ with the project's version and release date.

install(TARGETS tokimori-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tokimori)
  install(TARGETS tokimori RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(NOT UNIX OR APPLE OR CMAKE_CROSSCOMPILING)
  return()
endif()

# The AppStream component id (reverse DNS) and the program's license as an SPDX expression.
# The repository holds no license file, so no license is granted: LicenseRef-proprietary.
set(TOKIMORI_APP_ID "io.github.tokimori.tokimori" CACHE STRING "AppStream component id")
set(TOKIMORI_LICENSE "LicenseRef-proprietary" CACHE STRING "The program's license (SPDX)")
set(TOKIMORI_MAINTAINER "Tokimori maintainers <maintainers@users.noreply.c-seed-d62b735d.example>"
    CACHE STRING "The Debian package's maintainer")
# Where the project's home page and docs/screenshot.png are published (https). Empty: the
# metainfo names neither, as there is no address to give.
set(TOKIMORI_HOMEPAGE_URL "" CACHE STRING "https address of the project's home page")
set(TOKIMORI_SCREENSHOT_URL "" CACHE STRING "https address of docs/screenshot.png")

set(tokimori_data ${PROJECT_SOURCE_DIR}/data)
set(tokimori_made ${PROJECT_BINARY_DIR}/data) # what is made from data/
# Debian's place for the documentation: named after the package.
set(tokimori_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/tokimori)

# tokimori_metainfo(OUTPUT HOMEPAGE SCREENSHOT): the AppStream metainfo, with a home page and a
# screenshot when their addresses are given.
function(tokimori_metainfo output homepage screenshot)
  set(TOKIMORI_METAINFO_LINKS "")
  if(homepage)
    string(APPEND TOKIMORI_METAINFO_LINKS "  <url type=\"homepage\">${homepage}</url>\n")
  endif()
  if(screenshot)
    string(APPEND TOKIMORI_METAINFO_LINKS
      "  <screenshots>\n"
      "    <screenshot type=\"default\">\n"
      "      <caption>The main window: a folder's photos, one photo's dates and the new "
      "date</caption>\n"
      "      <caption xml:lang=\"ja\">メイン画面: フォルダの写真、選んだ写真の日付と設定する日時"
      "</caption>\n"
      "      <image>${screenshot}</image>\n"
      "    </screenshot>\n"
      "  </screenshots>\n")
  endif()
  configure_file(${tokimori_data}/tokimori.metainfo.xml.in ${output} @ONLY)
endfunction()

# The release date as Debian's changelog writes it: "Mon, 07 Dec 2026 00:00:00 +0000".
function(tokimori_rfc2822_date var iso)
  string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" m "${iso}")
  if(NOT m)
    message(FATAL_ERROR "TOKIMORI_RELEASE_DATE is yyyy-mm-dd, not '${iso}'")
  endif()
  math(EXPR y "${CMAKE_MATCH_1}")
  math(EXPR mo "${CMAKE_MATCH_2}")
  math(EXPR d "${CMAKE_MATCH_3}")
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4) # day of the week by Sakamoto's rule, 0 = Sunday
  math(EXPR i "${mo} - 1")
  list(GET offsets ${i} t)
  set(yy ${y})
  if(mo LESS 3)
    math(EXPR yy "${y} - 1")
  endif()
  math(EXPR w "(${yy} + ${yy} / 4 - ${yy} / 100 + ${yy} / 400 + ${t} + ${d}) % 7")
  set(days Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET days ${w} day)
  list(GET months ${i} month)
  set(${var} "${day}, ${CMAKE_MATCH_3} ${month} ${y} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

# The command-line tool: man page, bash completion, the package's copyright and changelog.
file(MAKE_DIRECTORY ${tokimori_made}/man)
configure_file(${tokimori_data}/man/tokimori-cli.1.in ${tokimori_made}/man/tokimori-cli.1 @ONLY)
tokimori_rfc2822_date(TOKIMORI_RELEASE_DATE_RFC2822 "${TOKIMORI_RELEASE_DATE}")
string(SUBSTRING "${TOKIMORI_RELEASE_DATE}" 0 4 TOKIMORI_RELEASE_YEAR)
configure_file(${tokimori_data}/copyright.in ${tokimori_made}/copyright @ONLY)
configure_file(${tokimori_data}/changelog.in ${tokimori_made}/changelog @ONLY)
set(tokimori_man_pages tokimori-cli)
set(tokimori_compressed)

if(TARGET tokimori)
  configure_file(${tokimori_data}/man/tokimori.1.in ${tokimori_made}/man/tokimori.1 @ONLY)
  list(APPEND tokimori_man_pages tokimori)
  tokimori_metainfo(${tokimori_made}/${TOKIMORI_APP_ID}.metainfo.xml
                    "${TOKIMORI_HOMEPAGE_URL}" "${TOKIMORI_SCREENSHOT_URL}")
  # For the tests: the same with both addresses, which validate as the shipped file does.
  tokimori_metainfo(${tokimori_made}/with-links/${TOKIMORI_APP_ID}.metainfo.xml
                    "https://tokimori.invalid/" "https://tokimori.invalid/screenshot.png")

  # The icon at the theme's sizes, rendered from the SVG.
  find_program(TOKIMORI_RSVG_CONVERT rsvg-convert)
  if(NOT TOKIMORI_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (librsvg2-bin) renders the icons: run tools/install-deps.sh")
  endif()
  set(tokimori_icons)
  foreach(size 48 64 128 256)
    set(png ${tokimori_made}/icons/${size}x${size}/tokimori.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${tokimori_made}/icons/${size}x${size}
      COMMAND ${TOKIMORI_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
              ${PROJECT_SOURCE_DIR}/app/tokimori.svg
      DEPENDS ${PROJECT_SOURCE_DIR}/app/tokimori.svg
      COMMENT "Rendering the ${size} px icon" VERBATIM)
    list(APPEND tokimori_icons ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  install(FILES ${tokimori_data}/tokimori.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${tokimori_made}/${TOKIMORI_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/app/tokimori.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/app/help/Tokimori.html DESTINATION ${tokimori_docdir})
endif()

# Man pages and the changelog compressed as Debian wants them: gzip -9, no name, no time.
foreach(page IN LISTS tokimori_man_pages)
  list(APPEND tokimori_compressed ${tokimori_made}/man/${page}.1.gz)
  install(FILES ${tokimori_made}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
list(APPEND tokimori_compressed ${tokimori_made}/changelog.gz)
foreach(gz IN LISTS tokimori_compressed)
  string(REGEX REPLACE "\\.gz$" "" plain ${gz})
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9 -n -c ${plain} > ${gz}
    DEPENDS ${plain}
    COMMENT "Compressing ${plain}")
endforeach()
add_custom_target(tokimori_package_data ALL DEPENDS ${tokimori_compressed} ${tokimori_icons})

install(FILES ${tokimori_data}/tokimori-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tokimori-cli)
install(FILES ${tokimori_made}/copyright ${tokimori_made}/changelog.gz
        DESTINATION ${tokimori_docdir})

# The Debian package.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE tokimori_arch
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tokimori)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TOKIMORI_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "give JPEG photos a new date, in place")
# The long description, lines of at most 72 characters.
set(CPACK_PACKAGE_DESCRIPTION "\
Tokimori rewrites the Exif date-time texts of JPEG photographs in place:
the same bytes at the same positions, so each file keeps its size and
every other byte. It sets the files' times to the same local date and
time, logs every change and keeps an undo journal.
.
The desktop program has a Japanese user interface. The command-line
companion tokimori-cli sets, shifts and undoes dates for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr) # whatever CMAKE_INSTALL_PREFIX the build has
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tokimori_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${tokimori_arch})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
if(TOKIMORI_HOMEPAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TOKIMORI_HOMEPAGE_URL})
endif()
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
