# Shared build helpers: staging the installation directory and declaring tests.

set(LX_STAGE ${CMAKE_BINARY_DIR}/stage)
set(LX_RUNNER ${CMAKE_SOURCE_DIR}/tools/winerun)
set(LX_SCREENSHOTS ${CMAKE_BINARY_DIR}/screenshots)
set(LX_TESTRUN ${CMAKE_BINARY_DIR}/testrun)
file(MAKE_DIRECTORY ${LX_STAGE} ${LX_STAGE}/logs ${LX_STAGE}/data ${LX_STAGE}/data/admin
                    ${LX_STAGE}/data/profile ${LX_STAGE}/skin ${LX_SCREENSHOTS} ${LX_TESTRUN})

# Tests compile and run in both builds: the 64-bit build under wine64, the 32-bit build under
# the WoW64 Wine that tools/bootstrap provides (tools/winerun picks it by the tree's arch).
set(LX_RUN_TESTS ON)
set(LX_ARCH ${LX_ARCH} CACHE INTERNAL "x64 or x86: tools/winerun picks its Wine by it")

# The 32-bit build links the C and C++ runtimes as DLLs (see the top CMakeLists.txt): these
# are staged beside the modules and copied next to every program of the build.
set(LX_RUNTIME_DLLS)
if(LX_ARCH STREQUAL "x86")
  foreach(dll libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "runtime DLL ${dll} not found beside ${CMAKE_CXX_COMPILER}")
    endif()
    get_filename_component(path "${path}" REALPATH)
    list(APPEND LX_RUNTIME_DLLS ${path})
  endforeach()
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${LX_RUNNER} --build ${CMAKE_BINARY_DIR})

# "Z:\..." form of a path of this machine, as Windows programs under Wine see it.
function(lx_winpath out path)
  string(REPLACE "/" "\\" p "${path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()

add_custom_target(stage ALL)

# lx_stage(target [DESTINATION subdir] [NAME file]): copy a built module into the stage.
function(lx_stage target)
  cmake_parse_arguments(S "" "DESTINATION;NAME" "" ${ARGN})
  set(dest ${LX_STAGE})
  if(S_DESTINATION)
    set(dest ${LX_STAGE}/${S_DESTINATION})
  endif()
  if(S_NAME)
    set(name ${S_NAME})
  else()
    set(name $<TARGET_FILE_NAME:${target}>)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dest}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${dest}/${name}
    VERBATIM)
  add_dependencies(stage ${target})
endfunction()

# lx_stage_files(DESTINATION subdir FILES f...): copy data files into the stage at build time.
function(lx_stage_files)
  cmake_parse_arguments(S "" "DESTINATION" "FILES" ${ARGN})
  set(outs)
  foreach(f ${S_FILES})
    get_filename_component(n ${f} NAME)
    get_filename_component(abs ${f} ABSOLUTE)
    set(o ${LX_STAGE}/${S_DESTINATION}/${n})
    add_custom_command(OUTPUT ${o}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${abs} ${o}
      DEPENDS ${abs} VERBATIM)
    list(APPEND outs ${o})
  endforeach()
  string(MAKE_C_IDENTIFIER "stagefiles_${S_DESTINATION}_${CMAKE_CURRENT_SOURCE_DIR}" t)
  add_custom_target(${t} ALL DEPENDS ${outs})
  add_dependencies(stage ${t})
endfunction()

# lx_add_test(name SOURCES ... [LIBS ...] [DEPENDS targets...] [TIMEOUT s] [RESOURCE_LOCK "name;..."]
#             [LABELS ...])
# One GoogleTest program per module; it runs through the Wine runner in both builds. Label
# "ocr": the program reads text that Wine drew, so tools/runtests runs it a second time in the
# 64-bit build, under the other Wine.
function(lx_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;DEPENDS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE lxtest ${T_LIBS})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_dependencies(${name} stage)
  set_property(GLOBAL APPEND PROPERTY LX_TEST_PROGRAMS ${name})
  if(LX_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
      set(T_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(T_RESOURCE_LOCK)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
    if(T_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
  endif()
endfunction()

# lx_add_def_dll(target DEF file.def [OUTPUT_NAME name] SOURCES src...)
# A DLL whose exports a .def file lists. The .def names carry the 32-bit __stdcall
# decoration (name@N, the argument bytes; plain C functions have none) and may give ordinals
# (NONAME: by ordinal only). Both builds export the plain names: the 32-bit link drops the
# decoration (--kill-at), the 64-bit build has none and reads the .def with it removed. The
# import library comes from the same .def (dlltool -k), so a caller that declares the
# functions __stdcall links against the plain exports in both builds.
function(lx_add_def_dll target)
  cmake_parse_arguments(D "" "DEF;OUTPUT_NAME" "SOURCES" ${ARGN})
  get_filename_component(def ${D_DEF} ABSOLUTE)
  if(LX_ARCH STREQUAL "x86")
    set(linkdef ${def})
  else()
    file(READ ${def} text)
    string(REGEX REPLACE "([A-Za-z0-9_])@[0-9]+" "\\1" text "${text}")
    get_filename_component(defname ${def} NAME)
    set(linkdef ${CMAKE_CURRENT_BINARY_DIR}/${target}-${defname})
    file(WRITE ${linkdef}.tmp "${text}")
    configure_file(${linkdef}.tmp ${linkdef} COPYONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  endif()
  add_library(${target} SHARED ${D_SOURCES} ${linkdef})
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "lib")
  if(D_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${D_OUTPUT_NAME})
  endif()
  target_link_options(${target} PRIVATE -Wl,--kill-at)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -k -d ${linkdef} -D $<TARGET_FILE_NAME:${target}>
            -l $<TARGET_LINKER_FILE:${target}>
    VERBATIM)
endfunction()

# lx_add_bench(name SOURCES ... [LIBS ...] [INCLUDES dirs...] [DEPENDS targets...])
# A benchmark program: built into build/<arch>/bench (`make bench` runs each one from the
# stage), after the stage is complete. It prints figures; nothing passes or fails on time.
function(lx_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS;INCLUDES;DEPENDS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  if(B_INCLUDES)
    target_include_directories(${name} PRIVATE ${B_INCLUDES})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(${name} stage ${B_DEPENDS})
endfunction()

# lx_skip_test(name reason): a test that cannot hold in this build for a reason of the
# platform, listed by ctest as skipped with its reason in its output.
function(lx_skip_test name reason)
  add_test(NAME ${name} COMMAND sh -c "echo \"skipped: $1\"; exit 77" sh "${reason}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 LABELS native)
endfunction()

# Executable targets of a directory and the directories below it.
function(lx_executables out dir)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "EXECUTABLE")
      list(APPEND found ${t})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(d ${subdirs})
    lx_executables(below ${d})
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Called once every module is declared: puts the runtime DLLs (32-bit build) in the stage and
# next to every program, which Windows looks for first in the program's own folder, and checks
# (a native test, label "native") that the stage and every test program find what they import.
function(lx_finish_stage)
  get_property(tests GLOBAL PROPERTY LX_TEST_PROGRAMS)
  set(files)
  foreach(t ${tests})
    list(APPEND files $<TARGET_FILE:${t}>)
  endforeach()
  # In the 32-bit build netcourier's constructor throws into the wizard and the test program:
  # all three use the one shared libgcc that its exception unwinds through.
  set(needs)
  if(LX_RUNTIME_DLLS)
    foreach(m netcourier.dll enrolwiz.exe netcourier_test.exe)
      list(APPEND needs --needs ${m}=libgcc_s_dw2-1.dll --needs ${m}=libstdc++-6.dll)
    endforeach()
  endif()
  add_test(NAME imports COMMAND bash ${CMAKE_SOURCE_DIR}/tools/checkimports
           --alone pointhook.dll ${needs} ${LX_STAGE} ${files})
  set_tests_properties(imports PROPERTIES LABELS native)
  if(NOT LX_RUNTIME_DLLS)
    return()
  endif()
  lx_executables(programs ${CMAKE_SOURCE_DIR})
  set(dirs ${LX_STAGE})
  foreach(t ${programs})
    list(APPEND dirs $<TARGET_FILE_DIR:${t}>)
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  set(commands)
  foreach(d ${dirs})
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory ${d}
                         COMMAND ${CMAKE_COMMAND} -E copy_if_different ${LX_RUNTIME_DLLS} ${d})
  endforeach()
  add_custom_target(runtime_dlls ALL ${commands} VERBATIM)
  add_dependencies(stage runtime_dlls)
endfunction()
