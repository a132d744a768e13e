# cmake -DAPI=legacy|esm -DSOURCE_DIR=... -DOUTPUT_DIR=... -P make-variant.cmake
# The older module system exports a module's top-level `var`s: the shared module loses its
# `export` keywords there.
file(READ ${SOURCE_DIR}/topbar.js shared)
if(API STREQUAL "legacy")
    string(REGEX REPLACE "(^|\n)export " "\\1" shared "${shared}")
endif()
file(WRITE ${OUTPUT_DIR}/topbar.js "${shared}")
configure_file(${SOURCE_DIR}/extension-${API}.js ${OUTPUT_DIR}/extension.js COPYONLY)
