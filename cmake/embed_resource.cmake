# Compiles a file into the program byte for byte.
#
# Included from a CMakeLists.txt it defines
#   tarvik_embed_resource(<target> INPUT <file> OUTPUT <generated.cpp>
#                         FUNCTION <name> HEADER <include>)
# which adds to <target> a generated source defining
#   std::string_view <name>()
# (declared in <include>) that returns the file's bytes. The source is
# generated into the build tree and regenerated when the file changes.
#
# Run with `cmake -P` and the same names as -D variables it writes that source.

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${INPUT}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR byteCount "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REPEAT "0x[0-9a-f][0-9a-f]," 16 row)
  string(REGEX REPLACE "(${row})" "\\1\n    " bytes "${bytes}")
  file(WRITE "${OUTPUT}"
    "// Generated from ${INPUT} by embed_resource.cmake; do not edit.\n"
    "#include \"${HEADER}\"\n\n"
    "namespace {\n\n"
    "// One zero byte more, so an empty file still makes a valid array.\n"
    "constexpr unsigned char kBytes[] = {\n    ${bytes}0x00};\n\n"
    "} // namespace\n\n"
    "std::string_view ${FUNCTION}()\n"
    "{\n"
    "    return {reinterpret_cast<const char*>(kBytes), ${byteCount}};\n"
    "}\n")
  return()
endif()

set(TARVIK_EMBED_RESOURCE_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

function(tarvik_embed_resource target)
  cmake_parse_arguments(ARG "" "INPUT;OUTPUT;FUNCTION;HEADER" "" ${ARGN})
  add_custom_command(
    OUTPUT "${ARG_OUTPUT}"
    COMMAND "${CMAKE_COMMAND}"
      "-DINPUT=${ARG_INPUT}" "-DOUTPUT=${ARG_OUTPUT}"
      "-DFUNCTION=${ARG_FUNCTION}" "-DHEADER=${ARG_HEADER}"
      -P "${TARVIK_EMBED_RESOURCE_SCRIPT}"
    DEPENDS "${ARG_INPUT}" "${TARVIK_EMBED_RESOURCE_SCRIPT}"
    COMMENT "Embedding ${ARG_INPUT}"
    VERBATIM)
  # The rule lives in this directory, the target may be defined elsewhere:
  # a custom target here runs it before the target's sources are compiled.
  add_custom_target(${target}_${ARG_FUNCTION} DEPENDS "${ARG_OUTPUT}")
  add_dependencies(${target} ${target}_${ARG_FUNCTION})
  target_sources(${target} PRIVATE "${ARG_OUTPUT}")
endfunction()
