# Every Quillet target is built with the same warnings. QT_NO_KEYWORDS keeps
# Qt's `signals`/`slots` macros out of GLib/GIO headers (use Q_SIGNALS, Q_SLOTS, Q_EMIT).
add_compile_options(-Wall -Wextra)
add_compile_definitions(QT_NO_KEYWORDS)

if(QUILLET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUILLET_FUZZ)
  # Coverage feedback from the libraries the fuzz targets exercise, not only
  # from the targets' own files.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
