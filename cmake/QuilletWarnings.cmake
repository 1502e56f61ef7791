# Every Quillet target is built with the same warnings. QT_NO_KEYWORDS keeps
# Qt's `signals`/`slots` macros out of GLib/GIO headers (use Q_SIGNALS, Q_SLOTS, Q_EMIT).
add_compile_options(-Wall -Wextra)
add_compile_definitions(QT_NO_KEYWORDS)

if(QUILLET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # clang 14's function sanitizer cannot compile coroutines ("Cannot represent
  # a difference across sections"); the rest of UBSan can.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_compile_options(-fno-sanitize=function)
  endif()
endif()

# Fuzzing builds instrument every Quillet library for coverage, not only the
# fuzzer entry points.
if(QUILLET_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
