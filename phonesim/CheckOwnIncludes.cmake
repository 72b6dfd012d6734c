# Fails when a file of phonesim includes anything of this repository but phonesim's own headers:
# phonesim is an independent implementation of the phone and shares no code with the head unit,
# although both are included from the one root. Quoted includes name phonesim's headers
# ("phonesim/...") or its generated message classes ("phonesim_pb/..."); angle includes are
# system and library headers, none of them a file of the repository or of the build tree.
#   cmake -DDIR=<phonesim folder> -DROOT=<repository> -DBUILD_ROOT=<build tree> -P CheckOwnIncludes.cmake
file(GLOB_RECURSE files LIST_DIRECTORIES false ${DIR}/*.h ${DIR}/*.cpp ${DIR}/*.cc)
set(bad)
foreach(f IN LISTS files)
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      if(NOT CMAKE_MATCH_1 MATCHES "^phonesim(_pb)?/")
        string(APPEND bad "\n  ${f}: ${line}")
      endif()
    elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      if(EXISTS ${ROOT}/${CMAKE_MATCH_1} OR EXISTS ${BUILD_ROOT}/${CMAKE_MATCH_1})
        string(APPEND bad "\n  ${f}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "phonesim includes only its own headers and libraries:${bad}")
endif()
