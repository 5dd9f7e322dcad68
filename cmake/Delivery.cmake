# The delivery folder an operator copies to a Windows machine: the installer,
# UNZIP32.DLL, zip32.dll and a sample catalogo.zip; and one zip of that folder.
# Our binaries go out stripped; their debug information stays in
# delivery-debug/, for reading a crash address later:
#   i686-w64-mingw32-addr2line -f -e delivery-debug/installa_patch.exe.debug ADDRESS
set(DELIVERY_ZIP32_DLL "" CACHE FILEPATH
    "The catalogue's own zip32.dll, delivered byte for byte; empty: our placeholder, a library without entries")
set(DELIVERY_SIGNING_CERTIFICATE "" CACHE FILEPATH
    "Code-signing certificate (PEM) for Authenticode signatures of the delivery; empty: unsigned")
set(DELIVERY_SIGNING_KEY "" CACHE FILEPATH "The unencrypted private key of DELIVERY_SIGNING_CERTIFICATE")
set(DELIVERY_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signatures; empty: none")

# A named file that is missing stops the configuration; one that goes missing
# later makes the build configure again, and stop there with the same message.
foreach(variable DELIVERY_ZIP32_DLL DELIVERY_SIGNING_CERTIFICATE DELIVERY_SIGNING_KEY)
  set(path "${${variable}}")
  if(NOT path STREQUAL "")
    if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
      message(FATAL_ERROR "${variable} names ${path}, which is not a file")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
  endif()
endforeach()
if(DELIVERY_SIGNING_CERTIFICATE AND NOT DELIVERY_SIGNING_KEY OR DELIVERY_SIGNING_KEY AND NOT DELIVERY_SIGNING_CERTIFICATE)
  message(FATAL_ERROR "DELIVERY_SIGNING_CERTIFICATE and DELIVERY_SIGNING_KEY go together: name both, or neither")
endif()

set(DELIVERY_DIR ${CMAKE_BINARY_DIR}/delivery)
set(debug_dir ${CMAKE_BINARY_DIR}/delivery-debug)
set(sample ${CMAKE_BINARY_DIR}/catalogo.zip)

add_custom_command(OUTPUT ${sample}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/lib/make_sample_catalogue.py ${sample}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/lib/make_sample_catalogue.py
  COMMENT "Writing the sample catalogo.zip")

set(ours installa_patch unzip32)
set(steps COMMAND ${CMAKE_COMMAND} -E copy ${sample} ${DELIVERY_DIR})
if(DELIVERY_ZIP32_DLL)
  list(APPEND steps COMMAND ${CMAKE_COMMAND} -E copy ${DELIVERY_ZIP32_DLL} ${DELIVERY_DIR}/zip32.dll)
  set(zip32_notice "zip32.dll is the catalogue's own, ${DELIVERY_ZIP32_DLL}, as it is")
else()
  list(APPEND ours zip32)
  string(CONCAT zip32_notice "zip32.dll is our placeholder, a library without entries: name the catalogue's"
                " own in DELIVERY_ZIP32_DLL for machines whose programs use zip32.dll")
endif()

if(DELIVERY_SIGNING_CERTIFICATE)
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)
  set(sign ${OSSLSIGNCODE} sign -certs ${DELIVERY_SIGNING_CERTIFICATE} -key ${DELIVERY_SIGNING_KEY}
      -h sha256 -n "Varenkor Catalogo, patch 7")
  if(DELIVERY_TIMESTAMP_URL)
    list(APPEND sign -ts ${DELIVERY_TIMESTAMP_URL})
  endif()
  if(DELIVERY_ZIP32_DLL)
    string(APPEND zip32_notice ", not signed by this build")
  endif()
endif()

# objcopy would stamp the PE headers with the time of the copy; the linker
# leaves 0 there, and so must the copies.
set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
foreach(target ${ours})
  set(built $<TARGET_FILE:${target}>)
  set(debug ${debug_dir}/$<TARGET_FILE_NAME:${target}>.debug)
  set(shipped ${DELIVERY_DIR}/$<TARGET_FILE_NAME:${target}>)
  list(APPEND steps COMMAND ${objcopy} --only-keep-debug ${built} ${debug})
  if(DELIVERY_SIGNING_CERTIFICATE)
    list(APPEND steps
      COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${debug} ${built} ${shipped}.unsigned
      COMMAND ${sign} -in ${shipped}.unsigned -out ${shipped}
      COMMAND ${CMAKE_COMMAND} -E rm ${shipped}.unsigned)
  else()
    list(APPEND steps COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${debug} ${built} ${shipped})
  endif()
endforeach()

add_custom_target(delivery ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${DELIVERY_DIR} ${debug_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DELIVERY_DIR} ${debug_dir}
  ${steps}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/lib/pack_delivery.py ${DELIVERY_DIR}
          ${CMAKE_BINARY_DIR}/delivery.zip
  COMMAND ${CMAKE_COMMAND} -E echo ${zip32_notice}
  DEPENDS ${ours} zip32 ${sample} ${DELIVERY_ZIP32_DLL} ${DELIVERY_SIGNING_CERTIFICATE} ${DELIVERY_SIGNING_KEY}
          ${PROJECT_SOURCE_DIR}/scripts/lib/pack_delivery.py
  COMMENT "Assembling the delivery folder"
  VERBATIM)
