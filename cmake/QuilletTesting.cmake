# quillet_add_test(<name> LABEL unit|gui|x11|wayland|kwin [KEYRING] [WRAPPER <command...>] SOURCES <files...> LIBRARIES <targets...>)
#
# One QtTest executable per unit or feature. `gui` tests run on the offscreen
# platform; `x11` tests run inside scripts/with-xvfb (Xvfb + openbox);
# `wayland` tests inside scripts/with-sway (a headless sway), `kwin` tests
# inside scripts/with-kwin (a headless KWin). KEYRING runs the test on a
# private session bus with an unlocked GNOME Keyring (scripts/with-keyring).
# WRAPPER names a command (with its arguments) the test program runs through,
# inside the desktop.
function(quillet_add_test name)
  cmake_parse_arguments(ARG "KEYRING" "LABEL;TIMEOUT" "SOURCES;LIBRARIES;WRAPPER" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test quillet_test_support ${ARG_LIBRARIES})
  set(program $<TARGET_FILE:${name}>)
  if(ARG_KEYRING)
    set(program ${PROJECT_SOURCE_DIR}/scripts/with-keyring ${program})
  endif()
  if(ARG_LABEL STREQUAL "x11")
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-xvfb ${ARG_WRAPPER} ${program})
    set(platform xcb)
  elseif(ARG_LABEL STREQUAL "wayland")
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-sway ${ARG_WRAPPER} ${program})
    set(platform wayland)
  elseif(ARG_LABEL STREQUAL "kwin")
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-kwin ${ARG_WRAPPER} ${program})
    set(platform wayland)
  else()
    add_test(NAME ${name} COMMAND ${ARG_WRAPPER} ${program})
    set(platform offscreen)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS ${ARG_LABEL}
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=${platform};QUILLET_SOURCE_DIR=${PROJECT_SOURCE_DIR};QT_LOGGING_RULES=quillet.*.debug=false")
endfunction()
