# Checks that every source and test file includes only headers of its own
# folder and of the folders below it, and that each library links only
# libraries below it. The build runs it before compiling any library (see
# LoomtoneLibrary.cmake) and CTest runs it as the test "layering". Run as
#   cmake -DSOURCE_DIR=<repository> -P CheckLayering.cmake
# and fails with one line per offending include or link.
#
# The layers, lowest first; a folder may include itself and what it lists:
#   support
#   engine, gui          (side by side: neither includes the other)
#   timeline             (the track area window, ruler and toolbar)
#   project              (the document; it implements the timeline's interfaces)
#   transport            (the transport and the master bar over the document)
#   burn                 (audio CDs and disc images over the document)
#   pianoroll            (the MIDI note editor over the document and transport)
#   details              (the details area's views: effect chains, over the document)
#   app                  (the program)
cmake_minimum_required(VERSION 3.25)

set(allowed_support support)
set(allowed_engine engine support)
set(allowed_gui gui support)
set(allowed_timeline timeline engine gui support)
set(allowed_project project timeline engine gui support)
set(allowed_transport transport project timeline engine gui support)
set(allowed_burn burn project timeline engine gui support)
set(allowed_pianoroll pianoroll transport project timeline engine gui support)
set(allowed_details details transport project timeline engine gui support)
set(allowed_app app details pianoroll burn transport project timeline engine gui support)
set(layers support engine gui timeline project transport burn pianoroll details app)

# The toolkit's drawing context is a cairo context (OnDraw hands it over), and
# the toolkit has no drawing layer of its own above it: the track area, the
# clips, the track headers, the ruler and the program's strips draw their
# waveforms, notes, lines and fills into it with cairo calls. That is the one
# place outside the toolkit where its libraries may be used; the engine, the
# support library and the transport never touch them.
set(gui_libraries_pattern "^(cairo|pango|SDL|fontconfig|jpeglib)")
set(draws_with_cairo gui timeline project burn pianoroll details app)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayering.cmake: pass -DSOURCE_DIR=<repository>")
endif()

set(violations "")
set(checked 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files
    ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp
    ${SOURCE_DIR}/tests/${layer}/*.h ${SOURCE_DIR}/tests/${layer}/*.cpp)
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
    foreach(line IN LISTS includes)
      if(line MATCHES "#[ \t]*include[ \t]*\"([a-z]+)/")
        set(target ${CMAKE_MATCH_1})
        if(target IN_LIST layers AND NOT target IN_LIST allowed_${layer})
          list(APPEND violations "${shown}: ${layer} must not include ${target}: ${line}")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "${gui_libraries_pattern}" AND NOT layer IN_LIST draws_with_cairo
           AND NOT shown MATCHES "^tests/")
          list(APPEND violations "${shown}: ${layer} must not use the toolkit's libraries: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

# The libraries link along the same lines.
foreach(layer IN LISTS layers)
  file(READ ${SOURCE_DIR}/src/${layer}/CMakeLists.txt listfile)
  if(listfile MATCHES "loomtone_library\\(${layer}[^)]*DEPENDS([^)]*)\\)")
    string(REGEX MATCHALL "[A-Za-z_:]+" linked "${CMAKE_MATCH_1}")
    foreach(library IN LISTS linked)
      if(library IN_LIST layers AND NOT library IN_LIST allowed_${layer})
        list(APPEND violations "src/${layer}/CMakeLists.txt: ${layer} must not link ${library}")
      endif()
    endforeach()
  endif()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "CheckLayering.cmake: no files found under ${SOURCE_DIR}/src")
endif()
if(violations)
  list(LENGTH violations count)
  foreach(violation IN LISTS violations)
    message("${violation}")
  endforeach()
  message(FATAL_ERROR "${count} include(s) or link(s) against the layering")
endif()
message("Layering holds in ${checked} files")
