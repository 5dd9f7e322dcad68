# The delivery folder an operator copies to a Windows machine: the installer,
# UNZIP32.DLL, zip32.dll and a sample catalogo.zip; and one zip of that folder.
set(DELIVERY_DIR ${CMAKE_BINARY_DIR}/delivery)
set(sample ${CMAKE_BINARY_DIR}/catalogo.zip)

add_custom_command(OUTPUT ${sample}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/lib/make_sample_catalogue.py ${sample}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/lib/make_sample_catalogue.py
  COMMENT "Writing the sample catalogo.zip")

add_custom_target(delivery ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${DELIVERY_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DELIVERY_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:installa_patch> $<TARGET_FILE:unzip32>
          $<TARGET_FILE:zip32> ${sample} ${DELIVERY_DIR}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/lib/pack_delivery.py ${DELIVERY_DIR}
          ${CMAKE_BINARY_DIR}/delivery.zip
  DEPENDS installa_patch unzip32 zip32 ${sample} ${PROJECT_SOURCE_DIR}/scripts/lib/pack_delivery.py
  COMMENT "Assembling the delivery folder"
  VERBATIM)
