# Checks the portable core's includes; fails with the file and line at fault.
# - No file of the core includes a platform or toolkit header.
# - The layers include only themselves and layers below them, lowest first:
#   text < reader < res < ui (with ui/widgets) < app. The protocol knows no
#   texts: res/, the window's texts and template, sits above it. Nothing in
#   the core includes the adapters, the command-line tool or the test code.
# - The command line (cli/) includes nothing of the window (ui/), and of the
#   simulated reader (platform/simulated/) only where it runs simulated
#   readers: cli/simulated_fleet.* and the program's main.
# Runs at configure time (included from the top CMakeLists.txt) and as a test
# (cmake -DROOT=<source dir> -P CheckCoreIncludes.cmake).
block()
  if(NOT DEFINED ROOT)
    cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH ROOT)
  endif()

  set(layers text reader res ui app)
  set(above_core platform cli tests fuzz bench)

  set(core_files "")
  foreach(layer IN LISTS layers)
    file(GLOB_RECURSE files "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
    list(APPEND core_files ${files})
  endforeach()

  set(forbidden "#include[ \t]*[<\"](Q[A-Za-z]*|qt[a-z]*/|windows\\.h|winsock|hidsdi|hidpi|setupapi|sys/|unistd\\.h|poll\\.h|fcntl\\.h|linux/)")
  list(JOIN layers " < " order)
  list(JOIN layers "|" layer_names)
  list(JOIN above_core "|" above_names)
  set(project_include "\n[ \t]*#[ \t]*include[ \t]*\"(${layer_names}|${above_names})/[^\"\n;]*\"")

  set(platform_found "")
  set(layer_found "")
  foreach(f IN LISTS core_files)
    file(RELATIVE_PATH rel "${ROOT}" "${f}")
    string(REGEX REPLACE "/.*" "" own_layer "${rel}")
    list(FIND layers "${own_layer}" own_rank)

    file(STRINGS "${f}" lines REGEX "${forbidden}")
    foreach(l IN LISTS lines)
      string(APPEND platform_found "  ${rel}: ${l}\n")
    endforeach()

    # A leading newline lets the pattern anchor every include at a line start.
    file(READ "${f}" content)
    string(PREPEND content "\n")
    string(REGEX MATCHALL "${project_include}" includes "${content}")
    set(offset 0)
    foreach(inc IN LISTS includes)
      string(SUBSTRING "${content}" ${offset} -1 rest)
      string(FIND "${rest}" "${inc}" at)
      math(EXPR at "${offset} + ${at}")
      string(LENGTH "${inc}" inc_length)
      math(EXPR offset "${at} + ${inc_length}")

      string(REGEX REPLACE ".*\"([^\"]*)\"$" "\\1" header "${inc}")
      string(REGEX REPLACE "/.*" "" header_layer "${header}")
      list(FIND layers "${header_layer}" header_rank)
      if(header_rank GREATER own_rank OR header_rank EQUAL -1)
        string(SUBSTRING "${content}" 0 ${at} before)
        string(REGEX MATCHALL "\n" newlines "${before}")
        list(LENGTH newlines line)
        math(EXPR line "${line} + 1")
        list(SUBLIST layers 0 ${own_rank} below)
        list(JOIN below ", " below)
        if(below STREQUAL "")
          set(below "nothing")
        endif()
        string(APPEND layer_found
               "  ${rel}:${line}: includes \"${header}\"; ${own_layer}/ may include only ${own_layer}/ and the layers below it (${below})\n")
      endif()
    endforeach()
  endforeach()

  if(platform_found)
    message(FATAL_ERROR "platform headers in the portable core:\n${platform_found}")
  endif()
  if(layer_found)
    message(FATAL_ERROR "a layer of the portable core includes a layer above it (lowest first: ${order}):\n${layer_found}")
  endif()
  message(STATUS "portable core includes no platform header and no layer above its own")
endblock()

block()
  if(NOT DEFINED ROOT)
    cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH ROOT)
  endif()
  set(may_simulate cli/simulated_fleet.h cli/simulated_fleet.cpp cli/main.cpp)
  file(GLOB_RECURSE cli_files "${ROOT}/cli/*.h" "${ROOT}/cli/*.cpp")
  set(cli_found "")
  foreach(f IN LISTS cli_files)
    file(RELATIVE_PATH rel "${ROOT}" "${f}")
    list(FIND may_simulate "${rel}" simulates)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(ui|platform/simulated)/")
    foreach(l IN LISTS lines)
      if(l MATCHES "\"ui/" OR simulates EQUAL -1)
        string(APPEND cli_found "  ${rel}: ${l}\n")
      endif()
    endforeach()
  endforeach()
  if(cli_found)
    message(FATAL_ERROR "the command line includes the window's code, or the simulated reader outside "
                        "cli/simulated_fleet.* and cli/main.cpp:\n${cli_found}")
  endif()
  message(STATUS "the command line includes nothing of the window, and the simulated reader only to run it")
endblock()
