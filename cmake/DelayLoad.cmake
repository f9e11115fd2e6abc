# marrowby_delay_load(<target> <library>...): the program loads these system
# DLLs when it first calls one of their functions instead of at its start.
# They serve single commands (the update check, file dialogs, the objects a
# screen reader asks for); loaded with the program, they and what they import
# in turn (wininet, ws2_32, oleaut32, ...) cost its start some 250 requests to
# the wineserver under Wine, and their own start-up code.
# MSVC: the linker's /DELAYLOAD. MinGW: GNU ld has no such option, so a
# delay-import library is made once, at configure time, from the toolchain's
# import library: every function it exports, for the DLL it names. It comes
# before the ordinary import library on the link line and so takes every call.
function(marrowby_delay_load target)
  foreach(library ${ARGN})
    if(MSVC)
      target_link_options(${target} INTERFACE /DELAYLOAD:${library}.dll)
      target_link_libraries(${target} INTERFACE delayimp)
      continue()
    endif()
    find_library(MARROWBY_IMPORT_${library} NAMES ${library} REQUIRED)
    set(import_library ${MARROWBY_IMPORT_${library}})
    set(delay_library ${CMAKE_BINARY_DIR}/delayload/lib${library}_delay.a)
    if(NOT EXISTS ${delay_library} OR ${import_library} IS_NEWER_THAN ${delay_library})
      execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${import_library}
                      OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
      execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_library}
                      OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      # The thunks ("T Name") are the functions; data exports have none.
      string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_@?$]+" thunks "${symbols}")
      set(exports "")
      foreach(thunk ${thunks})
        string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${thunk}")
        if(NOT name MATCHES "^_head_|_iname$")
          string(APPEND exports "  ${name}\n")
        endif()
      endforeach()
      file(WRITE ${CMAKE_BINARY_DIR}/delayload/${library}.def "LIBRARY ${dll}\nEXPORTS\n${exports}")
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${CMAKE_BINARY_DIR}/delayload/${library}.def
                              --dllname ${dll} --output-delaylib ${delay_library}
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
    target_link_libraries(${target} INTERFACE ${delay_library})
  endforeach()
endfunction()
