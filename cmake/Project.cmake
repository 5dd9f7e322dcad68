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
