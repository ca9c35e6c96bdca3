# cmake -DFILES=a.exe;b.exe -P check-pe.cmake
# The shipped programs must be 32-bit GUI executables that import nothing
# but Windows' own DLLs.
foreach(f IN LISTS FILES)
  execute_process(COMMAND file -b ${f} OUTPUT_VARIABLE kind OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT kind MATCHES "^PE32 executable \\(GUI\\) Intel 80386")
    message(FATAL_ERROR "${f}: ${kind}")
  endif()
  execute_process(COMMAND i686-w64-mingw32-objdump -p ${f} OUTPUT_VARIABLE dump)
  string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
  foreach(d IN LISTS dlls)
    if(d MATCHES "lib|pthread|stdc|gcc")
      message(FATAL_ERROR "${f} imports a non-system ${d}")
    endif()
  endforeach()
  message(STATUS "${f}: ${kind}; ${dlls}")
endforeach()
