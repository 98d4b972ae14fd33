# The Windows program, pixmote.exe: the entry point and the resources on top of pixmote_app.
# Included by the top CMakeLists.txt when building for Windows (see cmake/mingw-w64-x86_64.cmake
# and scripts/build-windows.sh).

# The project's warning flags are for the compilers: windres rejects them. Targets made from
# here on (the program, with its resource script) get them for C and C++ only.
get_property(pixmote_options DIRECTORY PROPERTY COMPILE_OPTIONS)
list(TRANSFORM pixmote_options REPLACE "^(.+)$" "$<$<COMPILE_LANGUAGE:C,CXX>:\\1>")
set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "${pixmote_options}")

# The three icon groups, drawn from the text pixel art in res/icons/: the dialog's 32 x 32
# picture and the tray's small icon at 100, 125 and 150 % (200 % takes the 32 x 32 one).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(PIXMOTE_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(PIXMOTE_ICON_ART
    ${CMAKE_SOURCE_DIR}/res/icons/halted-32.txt
    ${CMAKE_SOURCE_DIR}/res/icons/halted-24.txt
    ${CMAKE_SOURCE_DIR}/res/icons/halted-20.txt
    ${CMAKE_SOURCE_DIR}/res/icons/halted-16.txt)
set(PIXMOTE_ICONS
    ${PIXMOTE_ICON_DIR}/pixmote-101.ico
    ${PIXMOTE_ICON_DIR}/pixmote-102.ico
    ${PIXMOTE_ICON_DIR}/pixmote-103.ico)
add_custom_command(
    OUTPUT ${PIXMOTE_ICONS}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/make_icons.py
        --lamps ${CMAKE_SOURCE_DIR}/res/icons/lamps.txt --outdir ${PIXMOTE_ICON_DIR}
        ${PIXMOTE_ICON_ART}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_icons.py ${CMAKE_SOURCE_DIR}/res/icons/lamps.txt
        ${PIXMOTE_ICON_ART}
    COMMENT "Drawing the icon groups"
    VERBATIM)
add_custom_target(pixmote_icons DEPENDS ${PIXMOTE_ICONS})

# The resource script finds the .ico files on its include path and the application manifest
# beside it, and is compiled again when any of them changes.
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/pixmote.rc PROPERTIES
    INCLUDE_DIRECTORIES ${PIXMOTE_ICON_DIR}
    OBJECT_DEPENDS
        "${PIXMOTE_ICONS};${CMAKE_SOURCE_DIR}/res/resource.h;${CMAKE_SOURCE_DIR}/res/pixmote.manifest")

# WIN32 makes it a GUI program (CMake links it with -mwindows): no console. Linked fully
# static, so the .exe needs no DLLs beside the system's own (no libgcc, libstdc++ or
# threading runtime).
add_executable(pixmote WIN32 app/main.cpp res/pixmote.rc)
add_dependencies(pixmote pixmote_icons)
target_link_libraries(pixmote PRIVATE pixmote_app user32 gdi32 comdlg32 comctl32 shell32 advapi32)
target_link_options(pixmote PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(pixmote PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The helper pixmote-add.exe, beside pixmote.exe: the same libraries and the same static link.
# Its resource script finds the shared manifest in res/.
add_executable(pixmote-add WIN32 add/main.cpp add/pixmote-add.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/add/pixmote-add.rc PROPERTIES
    INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/res
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/add/resource.h;${CMAKE_SOURCE_DIR}/res/pixmote.manifest")
target_link_libraries(pixmote-add
    PRIVATE pixmote_add user32 gdi32 comdlg32 comctl32 shell32 advapi32)
target_link_options(pixmote-add PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(pixmote-add PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# A Wine check of the loop's ending after the dialog is destroyed (tests/wine/destroy.sh): the
# program's own entry point and resources, with a console main of the check's own.
add_executable(pixmote-destroy-check tests/wine/destroy_check.cpp app/main.cpp res/pixmote.rc)
add_dependencies(pixmote-destroy-check pixmote_icons)
target_link_libraries(pixmote-destroy-check PRIVATE pixmote_app user32 gdi32 comdlg32 comctl32 shell32
    advapi32)
target_link_options(pixmote-destroy-check PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(pixmote-destroy-check PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The resource check runs on the build machine: it draws the icons and compiles the resource
# script itself, then compares what it made with the resource section of pixmote.exe.
enable_testing()
add_test(NAME resources
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/resources_test.py)
set_tests_properties(resources PROPERTIES
    ENVIRONMENT "WINDRES=${CMAKE_RC_COMPILER};PIXMOTE_EXE=$<TARGET_FILE:pixmote>")

# The per-user installer, pixmote-setup.exe beside the program (scripts/build-installer.sh,
# installer/pixmote.nsi), built with it when NSIS's makensis is installed. The catalogue check
# runs first and fails the build on a catalogue that Pixmote could not use in full.
find_program(PIXMOTE_MAKENSIS makensis)
if(PIXMOTE_MAKENSIS)
    file(GLOB PIXMOTE_CATALOGUE CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/catalogue/*.reg)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/pixmote-setup.exe
        COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/build-installer.sh ${CMAKE_BINARY_DIR}
        DEPENDS pixmote pixmote-add ${PIXMOTE_ICONS} ${PIXMOTE_CATALOGUE}
            ${CMAKE_SOURCE_DIR}/installer/pixmote.nsi
            ${CMAKE_SOURCE_DIR}/scripts/build-installer.sh
            ${CMAKE_SOURCE_DIR}/tools/regfile.py
            ${CMAKE_SOURCE_DIR}/tools/check_catalogue.py
            ${CMAKE_SOURCE_DIR}/tools/make_catalogue.py
        COMMENT "Building the installer pixmote-setup.exe"
        VERBATIM)
    add_custom_target(pixmote_installer ALL DEPENDS ${CMAKE_BINARY_DIR}/pixmote-setup.exe)
else()
    message(STATUS "makensis not found: no installer (Debian package nsis)")
endif()
