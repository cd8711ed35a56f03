# What ships beside quellar.exe, made at build time from sources in the
# repository: the icon (drawn by tools/make-icon.py, read by the resource
# script), the two sounds (tools/make-sounds.py) and the help file (help/,
# compiled by chmcmd); and, in the 32-bit build, the installer (makensis)
# and the portable zip. `scripts/release` collects the last two.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(CHMCMD NAMES chmcmd chmcmd-3.2.2)
find_program(MAKENSIS makensis)

set(GEN_DIR ${CMAKE_BINARY_DIR}/generated)
set(TOOLS_DIR ${CMAKE_SOURCE_DIR}/tools)

add_custom_command(OUTPUT ${GEN_DIR}/quellar.ico
  COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/make-icon.py ${GEN_DIR}/quellar.ico
  DEPENDS ${TOOLS_DIR}/make-icon.py
  COMMENT "Drawing the program icon" VERBATIM)
add_custom_target(quellar_icon DEPENDS ${GEN_DIR}/quellar.ico)
add_dependencies(quellar quellar_icon)
add_dependencies(win_tests quellar_icon)

set(SOUNDS ${CMAKE_BINARY_DIR}/Ping.wav ${CMAKE_BINARY_DIR}/low-memory.wav)
add_custom_command(OUTPUT ${SOUNDS}
  COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/make-sounds.py ${CMAKE_BINARY_DIR}
  DEPENDS ${TOOLS_DIR}/make-sounds.py
  COMMENT "Making the sounds" VERBATIM)
set(SHIPPED_FILES ${SOUNDS})

set(HELP_FILE ${CMAKE_BINARY_DIR}/QLRHelp.chm)
if(CHMCMD)
  # chmcmd writes beside its project, so it works on a copy of help/.
  file(GLOB HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
  set(HELP_WORK ${CMAKE_BINARY_DIR}/help)
  # A small tracer, built for this machine, that holds the help compiler's
  # clock at the commit's time (tools/compile-help says why).
  set(FIXED_CLOCK ${CMAKE_BINARY_DIR}/fixed-clock)
  find_program(HOST_CC NAMES cc gcc)
  if(HOST_CC)
    add_custom_command(OUTPUT ${FIXED_CLOCK}
      COMMAND ${HOST_CC} -O2 -o ${FIXED_CLOCK} ${TOOLS_DIR}/fixed-clock.c
      DEPENDS ${TOOLS_DIR}/fixed-clock.c
      COMMENT "Building the help compiler's clock" VERBATIM)
  endif()
  add_custom_command(OUTPUT ${HELP_FILE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${HELP_WORK}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/help ${HELP_WORK}
    COMMAND bash ${TOOLS_DIR}/compile-help ${CHMCMD} ${FIXED_CLOCK} ${HELP_WORK} QLRHelp.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${HELP_WORK}/QLRHelp.chm ${HELP_FILE}
    DEPENDS ${HELP_SOURCES} ${TOOLS_DIR}/compile-help $<$<BOOL:${HOST_CC}>:${FIXED_CLOCK}>
    COMMENT "Compiling the help file" VERBATIM)
  list(APPEND SHIPPED_FILES ${HELP_FILE})
  add_test(NAME release.help
           COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/check-release.py chm ${HELP_FILE}
                   ${CMAKE_SOURCE_DIR}/help/QLRHelp.hhp)
else()
  message(WARNING "chmcmd (Debian fp-utils) not found: QLRHelp.chm and the installer are not built")
endif()
add_custom_target(quellar_files ALL DEPENDS ${SHIPPED_FILES})

add_test(NAME release.sound.ping
         COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/check-release.py wav ${CMAKE_BINARY_DIR}/Ping.wav 60 600)
add_test(NAME release.sound.lowmemory
         COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/check-release.py wav ${CMAKE_BINARY_DIR}/low-memory.wav 300 2000)
add_test(NAME release.icon
         COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/check-release.py ico ${GEN_DIR}/quellar.ico)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686" AND CHMCMD AND MAKENSIS)
  # One version everywhere: the one the program shows.
  set(RELEASE_NAME Quellar-${QUELLAR_VERSION_TEXT})
  set(SETUP_FILE ${CMAKE_BINARY_DIR}/${RELEASE_NAME}-setup.exe)
  set(ZIP_FILE ${CMAKE_BINARY_DIR}/${RELEASE_NAME}.zip)
  set(NSIS_SCRIPT ${CMAKE_SOURCE_DIR}/installer/quellar.nsi)
  # quellarc.exe ships where the build makes one.
  set(CONSOLE_EXE "")
  if(TARGET quellarc)
    set(CONSOLE_EXE $<TARGET_FILE:quellarc>)
  endif()
  add_custom_command(OUTPUT ${SETUP_FILE}
    COMMAND ${MAKENSIS} -V2 -NOCD
            -DVERSION=${QUELLAR_VERSION_TEXT} -DVERSION_TEXT=${QUELLAR_VERSION_TEXT}
            "-DCOMPANY=${QUELLAR_COMPANY}" "-DCOPYRIGHT=${QUELLAR_COPYRIGHT}"
            -DFILES=${CMAKE_BINARY_DIR} -DICON=${GEN_DIR}/quellar.ico -DOUTFILE=${SETUP_FILE}
            ${NSIS_SCRIPT}
    DEPENDS quellar ${CONSOLE_EXE} ${SHIPPED_FILES} ${NSIS_SCRIPT} ${GEN_DIR}/quellar.ico
            ${CMAKE_SOURCE_DIR}/src/res/RQLRMask.skn
    COMMENT "Building the installer" VERBATIM)

  # The zip holds one Quellar folder with the same files and a README.txt
  # in Windows line ends, for Notepad.
  set(PORTABLE_DIR ${CMAKE_BINARY_DIR}/portable)
  configure_file(${CMAKE_SOURCE_DIR}/installer/README.txt.in ${PORTABLE_DIR}/README.txt NEWLINE_STYLE CRLF)
  # Packed by our own packer: the files in a fixed order, each with the
  # commit's time and plain attributes, so the zip's bytes follow from its
  # contents alone.
  add_custom_command(OUTPUT ${ZIP_FILE}
    COMMAND bash ${TOOLS_DIR}/with-commit-time ${Python3_EXECUTABLE} ${TOOLS_DIR}/make-zip.py ${ZIP_FILE} Quellar
            ${PORTABLE_DIR}/README.txt $<TARGET_FILE:quellar> ${CONSOLE_EXE} ${CMAKE_SOURCE_DIR}/src/res/RQLRMask.skn
            ${SHIPPED_FILES}
    DEPENDS quellar ${CONSOLE_EXE} ${SHIPPED_FILES} ${PORTABLE_DIR}/README.txt
            ${CMAKE_SOURCE_DIR}/src/res/RQLRMask.skn ${TOOLS_DIR}/make-zip.py
    COMMENT "Packing the portable zip" VERBATIM)
  add_custom_target(quellar_release ALL DEPENDS ${SETUP_FILE} ${ZIP_FILE})

  # The exes, the zip's name and README.txt, the installer's name and
  # version resource all say the one version; README.txt lists every file
  # the zip holds.
  add_test(NAME release.versions
           COMMAND ${Python3_EXECUTABLE} ${TOOLS_DIR}/check-release.py versions ${QUELLAR_VERSION_TEXT}
                   ${ZIP_FILE} ${SETUP_FILE})

  # Two clean builds of one commit give the same bytes in every shipped file.
  add_test(NAME release.reproducible
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/reproducible_test.sh ${CMAKE_SOURCE_DIR}
                   ${CMAKE_TOOLCHAIN_FILE})
  set_tests_properties(release.reproducible PROPERTIES TIMEOUT 1200)

  # Installs into a fresh Wine prefix, starts the installed program and
  # uninstalls (scripts/test runs it with the other release checks).
  add_test(NAME release.installer
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/installer_test.sh ${SETUP_FILE} ${QUELLAR_VERSION_TEXT})
  set_tests_properties(release.installer PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()

get_property(RELEASE_TESTS DIRECTORY PROPERTY TESTS)
list(FILTER RELEASE_TESTS INCLUDE REGEX "^release\\.")
set_tests_properties(${RELEASE_TESTS} PROPERTIES LABELS release)
