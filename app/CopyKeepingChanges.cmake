# Copies the bundled files (the sample packs, the demo) from ZAFFO_FROM into ZAFFO_TO without
# ever overwriting or deleting a file that the musician saved or changed there. With ZAFFO_PROGRAM
# set, that file also becomes ZAFFO_TO/zaffo, replaced whole (a running program keeps its copy).
#
# ZAFFO_TO/.zaffo-bundled lists what was copied last time with its SHA-256. A file is replaced
# only while it still holds what was copied, and one that is no longer bundled is removed only
# then; a changed one is left as it is, and said so. A file that is already there with no entry
# counts as the musician's.
#
#   cmake -DZAFFO_FROM=DIR -DZAFFO_TO=DIR [-DZAFFO_PROGRAM=FILE] -P CopyKeepingChanges.cmake
# or, from an install script, set those variables and include this file.
cmake_minimum_required(VERSION 3.22)

if(NOT IS_DIRECTORY "${ZAFFO_FROM}" OR "${ZAFFO_TO}" STREQUAL "")
  message(FATAL_ERROR "CopyKeepingChanges needs ZAFFO_FROM (a folder) and ZAFFO_TO")
endif()
get_filename_component(ZAFFO_FROM "${ZAFFO_FROM}" ABSOLUTE)
get_filename_component(ZAFFO_TO "${ZAFFO_TO}" ABSOLUTE)
set(zaffo_manifest "${ZAFFO_TO}/.zaffo-bundled")

# Into a temporary file beside the target, then renamed over it: never half a file, and a program
# that runs from the old file keeps it.
function(zaffo_copy_whole from to)
  get_filename_component(folder "${to}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${from}" "${to}.zaffo-new" RESULT failed)
  if(NOT failed)
    file(RENAME "${to}.zaffo-new" "${to}" RESULT failed)
  endif()
  if(failed)
    file(REMOVE "${to}.zaffo-new")
    message(FATAL_ERROR "Could not write ${to}: ${failed}")
  endif()
endfunction()

# What was copied last time: the relative paths and, at the same index, their hashes.
set(old_paths "")
set(old_hashes "")
if(EXISTS "${zaffo_manifest}" AND NOT IS_DIRECTORY "${zaffo_manifest}")
  file(STRINGS "${zaffo_manifest}" entries)
  foreach(entry IN LISTS entries)
    if(entry MATCHES "^([0-9a-f]+) (.+)$")
      list(APPEND old_hashes "${CMAKE_MATCH_1}")
      list(APPEND old_paths "${CMAKE_MATCH_2}")
    endif()
  endforeach()
endif()

function(zaffo_copied_hash path out)
  list(FIND old_paths "${path}" at)
  set(hash "")
  if(at GREATER_EQUAL 0)
    list(GET old_hashes ${at} hash)
  endif()
  set(${out} "${hash}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE bundled RELATIVE "${ZAFFO_FROM}" LIST_DIRECTORIES false "${ZAFFO_FROM}/*")
list(SORT bundled)
set(manifest_text "")
foreach(path IN LISTS bundled)
  set(target "${ZAFFO_TO}/${path}")
  file(SHA256 "${ZAFFO_FROM}/${path}" new_hash)
  zaffo_copied_hash("${path}" copied_hash)
  set(recorded "${copied_hash}")
  if(IS_SYMLINK "${target}" OR IS_DIRECTORY "${target}")
    message(STATUS "Kept ${path} as you made it; the bundled one is not copied over it")
  elseif(NOT EXISTS "${target}")
    zaffo_copy_whole("${ZAFFO_FROM}/${path}" "${target}")
    set(recorded "${new_hash}")
  else()
    file(SHA256 "${target}" current_hash)
    if(current_hash STREQUAL new_hash)
      set(recorded "${new_hash}")
    elseif(current_hash STREQUAL copied_hash)
      zaffo_copy_whole("${ZAFFO_FROM}/${path}" "${target}")
      set(recorded "${new_hash}")
      message(STATUS "Updated ${path}")
    else()
      message(STATUS "Kept ${path} as you changed it; the bundled one is not copied over it")
    endif()
  endif()
  if(NOT recorded STREQUAL "")
    string(APPEND manifest_text "${recorded} ${path}\n")
  endif()
endforeach()

# Bundled once, no more: removed only while still as it was copied.
foreach(path IN LISTS old_paths)
  list(FIND bundled "${path}" still)
  set(target "${ZAFFO_TO}/${path}")
  if(still GREATER_EQUAL 0 OR IS_SYMLINK "${target}" OR NOT EXISTS "${target}" OR IS_DIRECTORY "${target}")
    continue()
  endif()
  zaffo_copied_hash("${path}" copied_hash)
  file(SHA256 "${target}" current_hash)
  if(current_hash STREQUAL copied_hash)
    file(REMOVE "${target}")
    message(STATUS "Removed ${path}, which is no longer bundled")
  else()
    message(STATUS "Kept ${path} as you changed it; it is no longer bundled")
  endif()
endforeach()

if(ZAFFO_PROGRAM)
  zaffo_copy_whole("${ZAFFO_PROGRAM}" "${ZAFFO_TO}/zaffo")
endif()
file(WRITE "${zaffo_manifest}.zaffo-new" "${manifest_text}")
file(RENAME "${zaffo_manifest}.zaffo-new" "${zaffo_manifest}")
