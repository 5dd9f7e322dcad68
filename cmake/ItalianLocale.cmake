# Wine takes its locale from the host's, so tests that run the Windows programs
# in Italian need an it_IT.UTF-8 locale; it is compiled into the build folder
# (LOCPATH) rather than installed. Sets `out` to the environment that selects it,
# or to nothing, with a warning, when the locale cannot be made.
function(italian_locale_environment out)
  set(locale_dir ${CMAKE_BINARY_DIR}/locale)
  find_program(LOCALEDEF localedef)
  if(LOCALEDEF AND EXISTS /usr/share/i18n/locales/it_IT AND NOT EXISTS ${locale_dir}/it_IT.UTF-8/LC_CTYPE)
    file(MAKE_DIRECTORY ${locale_dir})
    execute_process(COMMAND ${LOCALEDEF} -i it_IT -f UTF-8 ${locale_dir}/it_IT.UTF-8
                    OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(EXISTS ${locale_dir}/it_IT.UTF-8/LC_CTYPE)
    set(${out} "LOCPATH=${locale_dir};LANG=it_IT.UTF-8;LC_ALL=;EXPECTED_USER_LOCALE=it-IT" PARENT_SCOPE)
  else()
    message(WARNING "the it_IT locale cannot be made (Debian package locales): Italian-locale tests are left out")
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()
