# Shared build helpers: staging the installation directory and declaring tests.

set(LX_STAGE ${CMAKE_BINARY_DIR}/stage)
set(LX_RUNNER ${CMAKE_SOURCE_DIR}/tools/winerun)
set(LX_SCREENSHOTS ${CMAKE_BINARY_DIR}/screenshots)
set(LX_TESTRUN ${CMAKE_BINARY_DIR}/testrun)
file(MAKE_DIRECTORY ${LX_STAGE} ${LX_STAGE}/logs ${LX_STAGE}/data ${LX_STAGE}/data/admin
                    ${LX_STAGE}/data/profile ${LX_STAGE}/skin ${LX_SCREENSHOTS} ${LX_TESTRUN})

# Tests compile in both builds; they run only where Wine can run them (the 64-bit build).
if(LX_ARCH STREQUAL "x64")
  set(LX_RUN_TESTS ON)
else()
  set(LX_RUN_TESTS OFF)
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

# lx_add_test(name SOURCES ... [LIBS ...] [DEPENDS targets...] [TIMEOUT s] [RESOURCE_LOCK name])
# One GoogleTest program per module; it runs through the Wine runner in the 64-bit build.
function(lx_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE lxtest ${T_LIBS})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_dependencies(${name} stage)
  if(LX_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
      set(T_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(T_RESOURCE_LOCK)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${T_RESOURCE_LOCK})
    endif()
  endif()
endfunction()

# Stamp that the stage is complete; `make run` and the tests rely on it.
function(lx_finish_stage)
endfunction()
