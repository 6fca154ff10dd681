# The layering check: every #include "<folder>/..." in src/<folder>/ names
# the folder itself or one of the folders below it, as src/CMakeLists.txt
# records them. Run as
#   cmake -DSRC=<src folder> -DLAYERS="store:;editor:store,platform;..." -P check_layers.cmake
# and fails, naming every upward or sideways include, when there is one.

cmake_minimum_required(VERSION 3.25)

foreach(entry ${LAYERS})
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 name)
  list(LENGTH parts n)
  set(direct "")
  if(n GREATER 1)
    list(GET parts 1 deps)
    string(REPLACE "," ";" direct "${deps}")
  endif()
  set(direct_${name} ${direct})
  list(APPEND folders ${name})
endforeach()

# Everything below a folder: its libraries, theirs, and so on.
foreach(name ${folders})
  set(below "")
  set(todo ${direct_${name}})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST below)
      list(APPEND below ${next})
      list(APPEND todo ${direct_${next}})
    endif()
  endwhile()
  set(below_${name} ${below})
endforeach()

set(violations "")
foreach(name ${folders})
  file(GLOB files ${SRC}/${name}/*.h ${SRC}/${name}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*$" "\\1" folder "${line}")
      if(NOT folder STREQUAL name AND NOT folder IN_LIST below_${name})
        file(RELATIVE_PATH rel ${SRC} ${f})
        list(APPEND violations "${rel}: ${line} (${name} may include only ${name} ${below_${name}})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "includes against the layering:\n  ${text}")
endif()
list(LENGTH folders count)
message(STATUS "layering: ${count} folders, every include points down")
