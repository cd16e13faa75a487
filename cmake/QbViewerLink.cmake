# qb_link_as_viewer(target) links a program as the shipped viewer is linked. The C and C++ runtimes are static, so
# that the program imports only system DLLs; the image allows address-space randomisation and no-execute data; the
# link writes no timestamp, so that two builds of one commit are byte-identical.
function(qb_link_as_viewer target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -municode -s
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp -Wl,--gc-sections)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${target} PRIVATE -Wl,--high-entropy-va)
  endif()
endfunction()
