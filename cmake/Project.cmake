# Shared settings of every target of ours.

if(WIN32)
  # Link the compiler's run-time statically: the binaries import system DLLs only.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Reproducible binaries: no time stamp in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
  # Function names and line tables, for reading a crash address later. The
  # delivery carries stripped copies and this stays in the build folder
  # (cmake/Delivery.cmake). Its paths say /source and /build, so that neither
  # the checkout nor the build folder reaches the bytes of a delivery; the
  # build folder's map comes last, to win where it lies inside the checkout.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-g1;-fdebug-prefix-map=${PROJECT_SOURCE_DIR}=/source;-fdebug-prefix-map=${CMAKE_BINARY_DIR}=/build>")
endif()

if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings on for our own code; third-party code keeps its own settings.
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                         -Wno-sign-conversion)
endfunction()

# Lists the .cc files of the given folders for this platform: files ending in
# -win32 only for Windows, files ending in -posix only elsewhere.
function(project_sources out)
  set(result "")
  foreach(dir ${ARGN})
    file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cc)
    list(FILTER files EXCLUDE REGEX "_test\\.cc$")
    if(WIN32)
      list(FILTER files EXCLUDE REGEX "-posix\\.cc$")
    else()
      list(FILTER files EXCLUDE REGEX "-win32\\.cc$")
    endif()
    list(APPEND result ${files})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Gives a Windows binary its version information: product "Varenkor Catalogo",
# version 7 (the patch number), and the description given here.
function(add_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  get_target_property(suffix ${target} SUFFIX)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(VERSION_FILETYPE VFT_APP)
    set(suffix .exe)
  else()
    set(VERSION_FILETYPE VFT_DLL)
    if(NOT suffix)
      set(suffix .dll)
    endif()
  endif()
  set(VERSION_DESCRIPTION ${description})
  set(VERSION_NAME ${name})
  set(VERSION_FILENAME ${name}${suffix})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Exports a Windows library's entries by its module-definition file. The file
# names each 32-bit __stdcall symbol with its decoration, symbol@N, N being the
# bytes of arguments the entry pops; x86-64 has one calling convention and no
# decoration, so there the same file goes to the linker with the decoration
# taken off. Either way the target, and the object libraries named after the
# file that it is made of, get the header module_definition.h with
# DEF_ARGUMENT_BYTES_<symbol> N for each decorated symbol, so that the sources
# can check at compile time that their declarations agree with the file.
function(target_module_definition target def)
  get_filename_component(def ${def} ABSOLUTE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  file(READ ${def} text)
  set(header_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-exports)
  get_filename_component(def_name ${def} NAME)
  set(header "// Made from ${def_name} when configuring: the argument bytes of each export.\n#pragma once\n")
  string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*@[0-9]+" decorated "${text}")
  foreach(symbol ${decorated})
    string(REGEX REPLACE "^(.*)@([0-9]+)$" "#define DEF_ARGUMENT_BYTES_\\1 \\2\n" line ${symbol})
    string(APPEND header "${line}")
  endforeach()
  file(CONFIGURE OUTPUT ${header_dir}/module_definition.h CONTENT "${header}" @ONLY)
  foreach(compiled ${target} ${ARGN})
    target_include_directories(${compiled} PRIVATE ${header_dir})
  endforeach()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_sources(${target} PRIVATE ${def})
  else()
    string(REGEX REPLACE "@[0-9]+" "" undecorated "${text}")
    file(CONFIGURE OUTPUT ${header_dir}/${def_name} CONTENT "${undecorated}" @ONLY)
    target_sources(${target} PRIVATE ${header_dir}/${def_name})
  endif()
endfunction()
