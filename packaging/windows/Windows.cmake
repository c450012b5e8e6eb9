# The Windows programs: icon and version information compiled into both .exe.
enable_language(RC)
# The resource scripts are UTF-8 (Russian texts).
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

set(_windows_dir ${CMAKE_CURRENT_LIST_DIR})
set(TAINOTEKA_ICON ${PROJECT_SOURCE_DIR}/resources/tainoteka.ico)
set(TAINOTEKA_DOCUMENT_ICON ${_windows_dir}/txtp-document.ico)
set(TAINOTEKA_MANIFEST ${_windows_dir}/tainoteka.manifest)

function(tainoteka_windows_resources target description)
  set(TAINOTEKA_EXE_NAME ${target})
  set(TAINOTEKA_DESCRIPTION ${description})
  set(_rc ${PROJECT_BINARY_DIR}/windows/${target}.rc)
  configure_file(${_windows_dir}/tainoteka.rc.in ${_rc} @ONLY)
  target_sources(${target} PRIVATE ${_rc})
endfunction()

tainoteka_windows_resources(tainoteka "Тайнотека")
if(TARGET txtp)
  tainoteka_windows_resources(txtp "Тайнотека: txtp, защищённые файлы из командной строки")
endif()
