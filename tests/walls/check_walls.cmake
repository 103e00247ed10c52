cmake_minimum_required(VERSION 3.22)
# Fails when a file of one area includes a header of an area it may not use.
#   cmake -DSOURCE_DIR=<folder holding src/> -P check_walls.cmake
#
# The areas and what each may include besides itself. The build enforces the
# same through each library's include directories; this check also names the
# offending line.
set(allowed_net "")
set(allowed_profile "net")
set(allowed_dict "")
set(allowed_tally/codec "")
set(allowed_assets "")
set(allowed_ui "assets")
set(allowed_host "net;dict")
set(allowed_server "net;dict;host")
set(allowed_chat "net;ui")
set(allowed_tally "tally/codec;ui")
set(allowed_client "net;dict;chat;tally;tally/codec;ui")
set(allowed_app "net;profile;dict;host;chat;tally;tally/codec;client;ui;assets")
set(allowed_lobby "net;profile;ui")
set(allowed_main "app;lobby")
set(areas net profile dict tally/codec tally assets ui host server chat client app lobby)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

# The area a path under src/ (or an include path) belongs to.
function(area_of path out)
    if(path MATCHES "^tally/codec/")
        set(${out} "tally/codec" PARENT_SCOPE)
    elseif(path MATCHES "^([a-z]+)/")
        set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    else()
        set(${out} "main" PARENT_SCOPE)
    endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src
    ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(crossings 0)
foreach(file ${files})
    area_of("${file}" own)
    file(STRINGS ${SOURCE_DIR}/src/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z]+/")
    foreach(line ${lines})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" target "${line}")
        area_of("${target}" theirs)
        if(NOT theirs IN_LIST areas OR theirs STREQUAL own)
            continue()
        endif()
        if(NOT theirs IN_LIST allowed_${own})
            message(SEND_ERROR "src/${file}: area '${own}' may not include \"${target}\"")
            math(EXPR crossings "${crossings} + 1")
        endif()
    endforeach()
endforeach()

list(LENGTH files count)
if(crossings GREATER 0)
    message(FATAL_ERROR "${crossings} include(s) cross an area wall")
endif()
message(STATUS "${count} files, no include crosses an area wall")
