# Run at install time (see CMakeLists.txt): fills the installed paths into the desktop
# entry and the manual pages, and compresses the pages and the changelog.
configure_file(${source}/prismcrate.desktop.in ${made}/prismcrate.desktop @ONLY)

function(gzip_to from to)
    execute_process(COMMAND gzip -9n -c ${from} OUTPUT_FILE ${to} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip ${from}: ${status}")
    endif()
endfunction()

foreach(page prismcrate prismcrate-levels)
    configure_file(${source}/man/${page}.6.in ${made}/${page}.6 @ONLY)
    gzip_to(${made}/${page}.6 ${made}/${page}.6.gz)
endforeach()
gzip_to(${source}/changelog ${made}/changelog.gz)
